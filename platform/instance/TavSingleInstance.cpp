#include "TavSingleInstance.h"

TavSingleInstance::TavSingleInstance(const QString& semaphoreKey, const QString& memoryKey)
    : m_semaphore(semaphoreKey, 1, QSystemSemaphore::Open)
    , m_memory(memoryKey)
{
}

TavSingleInstance::~TavSingleInstance()
{
    release();
}

bool TavSingleInstance::acquire()
{
    if (m_memory.isAttached()) {
        return true;
    }
    const bool locked = m_semaphore.acquire();
#ifndef Q_OS_WIN
    // A System V segment outlives a process that crashed or called exit(). Attaching and detaching removes
    // such an orphan (no one else attached); a segment a live process holds keeps its other attachment.
    if (m_memory.attach(QSharedMemory::ReadOnly)) {
        m_memory.detach();
    }
#endif
    const bool created = m_memory.create(1, QSharedMemory::ReadWrite);
    if (locked) {
        m_semaphore.release(1);
    }
    return created;
}

void TavSingleInstance::release()
{
    if (m_memory.isAttached()) {
        m_memory.detach();
    }
}

bool TavSingleInstance::isHeld() const
{
    return m_memory.isAttached();
}

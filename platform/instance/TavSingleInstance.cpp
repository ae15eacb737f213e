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
    clearOrphan();
    bool created = m_memory.create(1, QSharedMemory::ReadWrite);
#ifndef Q_OS_WIN
    // Without its key file (a cleaned temporary folder) an orphan cannot be attached before create; create
    // leaves the key file behind when the segment exists, so one more look can clear it.
    if (!created && m_memory.error() == QSharedMemory::AlreadyExists) {
        clearOrphan();
        created = m_memory.create(1, QSharedMemory::ReadWrite);
    }
#endif
    if (locked) {
        m_semaphore.release(1);
    }
    return created;
}

void TavSingleInstance::clearOrphan()
{
#ifndef Q_OS_WIN
    // A System V segment outlives a process that crashed or called exit(). Attaching and detaching removes
    // such an orphan (no one else attached); a segment a live process holds keeps its other attachment.
    if (m_memory.attach(QSharedMemory::ReadOnly)) {
        m_memory.detach();
    }
#endif
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

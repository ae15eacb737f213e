#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// Keeps a second copy of the main program or the updater out. Both programs take the same two named objects:
// the semaphore serialises the check, and the one-byte shared segment marks that one of them runs until it
// ends or calls release().
class TavSingleInstance
{
public:
    explicit TavSingleInstance(const QString& semaphoreKey = QStringLiteral("TAV"),
                               const QString& memoryKey = QStringLiteral("TAVSystemObject"));
    ~TavSingleInstance();

    TavSingleInstance(const TavSingleInstance&) = delete;
    TavSingleInstance& operator=(const TavSingleInstance&) = delete;

    // True when this process now holds the segment. The semaphore is released again before returning,
    // either way, so the caller may show a message without blocking other starts.
    bool acquire();
    // Gives the segment up; also done by the destructor.
    void release();
    bool isHeld() const;

private:
    void clearOrphan();

    QSystemSemaphore m_semaphore;
    QSharedMemory m_memory;
};

#pragma once

#include "TavWriteBehind.h"
#include "TavWriteCause.h"

#include <QSqlDatabase>

// A write of the interface thread: a pooled connection that holds the file's write lock within a moment or not at
// all, so that the screen never waits for another program. The program's own writer steps aside for it first, so
// that the program's own writes never make it fail. No failure opens a box: the caller tells the teacher, by
// cause().
//
//     TavShortWrite write;
//     if (write.db().isValid() && table->insert(write.db(), row) && write.commit())
//         ...
//     else
//         tell(write.cause());
class TavShortWrite
{
public:
    explicit TavShortWrite(int busyMs = kBusyMs);
    // Takes back what was not committed and gives the connection back.
    ~TavShortWrite();
    TavShortWrite(const TavShortWrite&) = delete;
    TavShortWrite& operator=(const TavShortWrite&) = delete;

    // Invalid unless the write lock is held.
    QSqlDatabase db() const { return m_locked ? m_db : QSqlDatabase(); }
    bool commit();
    // Why the write lock was not had, a statement failed or the commit was refused; None while nothing failed.
    TavWriteCause::Cause cause() const;

    // How long the lock of another program is waited for: a moment, the screen goes on.
    static constexpr int kBusyMs = 80;
    // How long the program's own writer may take to end a try that holds the lock: its statements and the
    // disk's flushes, longer on a laptop's disk.
    static constexpr int kOwnWriterMs = 1000;

private:
    TavWriteBehind::Pause m_pause;
    QSqlDatabase m_db;
    bool m_locked = false;
    TavWriteCause::Cause m_cause = TavWriteCause::None;
    quint64 m_failuresBefore = 0;
};

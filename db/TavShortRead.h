#pragma once

#include "TavWriteCause.h"

#include <QSqlDatabase>

// Reads of the interface thread that wait a moment for another program, not the pool's five seconds: while one
// holds the file, the screen goes on with what it knows and tells the teacher, by cause().
//
//     TavShortRead read;
//     const QMap<...> seats = table->selectByClass(read.db(), classID);
//     if (read.cause() != TavWriteCause::None)
//         ... go on without them
class TavShortRead
{
public:
    explicit TavShortRead(int busyMs = kBusyMs);
    // Ends the read and gives the connection back.
    ~TavShortRead();
    TavShortRead(const TavShortRead&) = delete;
    TavShortRead& operator=(const TavShortRead&) = delete;

    // Invalid when no connection was free.
    QSqlDatabase db() const { return m_db; }
    // Why a read of db() failed since the borrow; None while none did.
    TavWriteCause::Cause cause() const;

    static constexpr int kBusyMs = 80;

private:
    QSqlDatabase m_db;
    quint64 m_failuresBefore = 0;
};

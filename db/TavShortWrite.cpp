#include "TavShortWrite.h"

#include "TAVDatabase.h"
#include "TavStatement.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

namespace {
// The pool's own wait for a lock, given back with the connection.
const int kPoolBusyMs = 5000;
} // namespace

TavShortWrite::TavShortWrite(int busyMs)
    : m_pause(kOwnWriterMs)
    , m_db(TAVDatabase::getInstance()->getDbCon())
    , m_failuresBefore(TavStatement::failureCount())
{
    if (!m_db.isValid()) {
        m_cause = TavWriteCause::Other;
        return;
    }
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyMs));
    // The borrow began a transaction that holds no lock yet: it gives way to one that holds the write lock.
    m_locked = query.exec(QStringLiteral("COMMIT")) && query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!m_locked) {
        m_cause = TavWriteCause::of(query.lastError());
        qWarning().noquote() << QStringLiteral("****the write lock of the database file was not had: ")
                + TavStatement::errorText(query.lastError());
    }
}

TavShortWrite::~TavShortWrite()
{
    if (!m_db.isValid())
        return;
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kPoolBusyMs));
    // After a commit nothing is left to roll back: this only gives the connection back.
    TAVDatabase::getInstance()->rollbackDbCon(m_db);
}

bool TavShortWrite::commit()
{
    if (!m_locked)
        return false;
    if (TavStatement::failureCount() == m_failuresBefore && m_db.commit())
        return true;
    if (m_cause == TavWriteCause::None)
        m_cause = m_db.lastError().isValid() ? TavWriteCause::of(m_db.lastError())
                                             : TavWriteCause::fromCode(TavStatement::lastFailureCode());
    qWarning().noquote() << QStringLiteral("****a write of the interface thread is not kept: ")
            + TavStatement::errorText(m_db.lastError());
    return false;
}

TavWriteCause::Cause TavShortWrite::cause() const
{
    if (m_cause == TavWriteCause::None && TavStatement::failureCount() != m_failuresBefore)
        return TavWriteCause::fromCode(TavStatement::lastFailureCode());
    return m_cause;
}

#include "TavShortRead.h"

#include "TAVDatabase.h"
#include "TavStatement.h"

#include <QSqlQuery>

namespace {
// The pool's own wait for a lock, given back with the connection.
const int kPoolBusyMs = 5000;
} // namespace

TavShortRead::TavShortRead(int busyMs)
    : m_db(TAVDatabase::getInstance()->getReadDbCon())
    , m_failuresBefore(TavStatement::failureCount())
{
    if (m_db.isValid())
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyMs));
}

TavShortRead::~TavShortRead()
{
    if (!m_db.isValid())
        return;
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kPoolBusyMs));
    TAVDatabase::getInstance()->rollbackDbCon(m_db);
}

TavWriteCause::Cause TavShortRead::cause() const
{
    if (!m_db.isValid())
        return TavWriteCause::Other;
    if (TavStatement::failureCount() == m_failuresBefore)
        return TavWriteCause::None;
    return TavWriteCause::fromCode(TavStatement::lastFailureCode());
}

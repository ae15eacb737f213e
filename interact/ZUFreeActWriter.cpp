#include "ZUFreeActWriter.h"

#include "Singleton.h"
#include "TAVDatabase.h"
#include "TAV_StuResult.h"
#include "TavStatement.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QtDebug>

namespace {

const char* const kConnection = "tavKeep";
// Off the interface thread a lock held by another program is simply waited for.
const int kBusyTimeoutMs = 5000;
const int kRetryMs = 1000;

QString waitingKey(const StuResultRow& row)
{
    return QString::number(row.interactID) + QLatin1Char('/') + row.dovaneID;
}

// One transaction; false, with nothing of it written, when a statement or the commit failed.
bool writeBatch(QSqlDatabase db, const QVector<StuResultRow>& rows)
{
    bool written = db.isOpen();
    if (written) {
        // The write lock is taken first, so that the busy time-out applies and no read lock has to be raised.
        QSqlQuery begin(db);
        written = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!written)
            qWarning().noquote() << QStringLiteral("****free interaction results: ")
                    + TavStatement::errorText(begin.lastError());
    }
    for (int i = 0; written && i < rows.size(); ++i) {
        const StuResultRow& row = rows.at(i);
        const TAV_StuResult::Keeping kept = TAV_StuResult::getInstance()->keepResult(db, row);
        written = kept != TAV_StuResult::Failed;
        if (kept == TAV_StuResult::Ended)
            qWarning() << "****free interaction" << row.interactID << "has ended: the result of" << row.dovaneID
                       << "that came after it is not kept";
    }
    if (written && !db.commit()) {
        qWarning().noquote() << QStringLiteral("****free interaction results: ")
                + TavStatement::errorText(db.lastError());
        written = false;
    }
    if (!written) {
        if (db.isOpen())
            db.rollback();
        qWarning() << "****free interaction" << rows.first().interactID << ":" << rows.size()
                   << "results not kept for now";
    }
    return written;
}

} // namespace

ZUFreeActWriter* ZUFreeActWriter::getInstance()
{
    return TavSingleton<ZUFreeActWriter>::instance();
}

void ZUFreeActWriter::keep(const StuResultRow& result)
{
    {
        QMutexLocker locker(&m_mutex);
        addWaiting(result);
        m_wake.wakeAll();
    }
    if (!isRunning())
        start();
}

void ZUFreeActWriter::stop(bool writeWaiting)
{
    if (!isRunning())
        return;
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_writeWaiting = writeWaiting;
        m_wake.wakeAll();
    }
    wait();
    QMutexLocker locker(&m_mutex);
    m_stopping = false;
}

void ZUFreeActWriter::addWaiting(const StuResultRow& result)
{
    const QString key = waitingKey(result);
    const auto at = m_waitingAt.constFind(key);
    if (at != m_waitingAt.constEnd()) {
        m_waiting[*at] = result;
        return;
    }
    m_waitingAt.insert(key, m_waiting.size());
    m_waiting.append(result);
}

void ZUFreeActWriter::putBack(const QVector<StuResultRow>& rows)
{
    // What came meanwhile is newer than the rows that failed.
    const QVector<StuResultRow> newer = m_waiting;
    m_waiting.clear();
    m_waitingAt.clear();
    for (const StuResultRow& row : rows)
        addWaiting(row);
    for (const StuResultRow& row : newer)
        addWaiting(row);
}

void ZUFreeActWriter::run()
{
    const QString name = QLatin1String(kConnection);
    bool opened = false;
    {
        QSqlDatabase db = TAVDatabase::getInstance()->openOwnDbCon(name, kBusyTimeoutMs);
        opened = db.isValid();
        QMutexLocker locker(&m_mutex);
        QDeadlineTimer nextTry(0);
        for (;;) {
            if (m_stopping && (!m_writeWaiting || m_waiting.isEmpty()))
                break;
            if (m_waiting.isEmpty() || (!m_stopping && !nextTry.hasExpired())) {
                m_wake.wait(&m_mutex, m_waiting.isEmpty() ? QDeadlineTimer(QDeadlineTimer::Forever) : nextTry);
                continue;
            }
            const QVector<StuResultRow> batch = m_waiting;
            m_waiting.clear();
            m_waitingAt.clear();
            const bool last = m_stopping;
            locker.unlock();
            const bool written = writeBatch(db, batch);
            locker.relock();
            if (written)
                continue;
            emit keepFailed(batch.first().interactID);
            if (last)
                break;
            putBack(batch);
            nextTry = QDeadlineTimer(kRetryMs);
        }
        m_waiting.clear();
        m_waitingAt.clear();
    }
    if (opened)
        TAVDatabase::getInstance()->closeOwnDbCon(name);
}

#include "ZUFreeActWriter.h"

#include "Singleton.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "TavStatement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QTimer>
#include <QtDebug>

namespace {

const char* const kConnection = "tavKeep";
const int kStopPollMs = 10;

QString waitingKey(const StuResultRow& row)
{
    return QString::number(row.interactID) + QLatin1Char('/') + row.dovaneID;
}

bool execute(QSqlDatabase db, const QString& statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    qWarning().noquote() << QStringLiteral("****free interaction results: ")
            + TavStatement::errorText(query.lastError());
    return false;
}

bool keepRow(QSqlDatabase db, const StuResultRow& row)
{
    const TAV_StuResult::Keeping kept = TAV_StuResult::getInstance()->keepResult(db, row);
    if (kept == TAV_StuResult::Ended)
        qWarning() << "****free interaction" << row.interactID << "has ended: the result of" << row.dovaneID
                   << "that came after it is not kept";
    return kept != TAV_StuResult::Failed;
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
        adopt();
        addWaiting(result);
        m_wake.wakeAll();
    }
    if (!isRunning())
        start();
}

void ZUFreeActWriter::end(int interactID, const QList<StuResultRow>& results, const QString& endTime)
{
    TAV_InteractInfo::getInstance()->holdOpen(interactID);
    hand({ true, interactID, results, endTime, {} });
}

void ZUFreeActWriter::endWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& endTime)
{
    Step step { true, -1, results, endTime, row };
    step.whole.endTime = endTime;
    TAV_InteractInfo::getInstance()->holdWhole(row.localRecordID);
    hand(step);
}

void ZUFreeActWriter::setAnswer(int interactID, const QString& answer)
{
    hand({ false, interactID, {}, answer, {} });
}

void ZUFreeActWriter::hand(const Step& step)
{
    {
        QMutexLocker locker(&m_mutex);
        adopt();
        m_steps.append(step);
        m_wake.wakeAll();
    }
    if (!isRunning())
        start();
}

bool ZUFreeActWriter::stop(int timeoutMs)
{
    if (isRunning()) {
        {
            QMutexLocker locker(&m_mutex);
            m_stopping = true;
            m_giveUp = false;
            m_wake.wakeAll();
        }
        // The screen goes on painting; the teacher's clicks wait until the stop is over.
        QEventLoop loop;
        const QDeadlineTimer giveUp(timeoutMs);
        const QDeadlineTimer last(timeoutMs + kBusyTimeoutMs + kRetryMs);
        while (isRunning() && !last.hasExpired()) {
            if (giveUp.hasExpired()) {
                QMutexLocker locker(&m_mutex);
                m_giveUp = true;
                m_wake.wakeAll();
            }
            QTimer::singleShot(kStopPollMs, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        // A write that still waits for the disk past every bound ends on its own; the thread is not waited for.
        if (isRunning())
            qWarning() << "****free interaction results: the writer is still waiting for the disk";
        else
            wait();
    }
    QMutexLocker locker(&m_mutex);
    m_stopping = false;
    m_giveUp = false;
    return !hasWork();
}

bool ZUFreeActWriter::isIdle() const
{
    QMutexLocker locker(&m_mutex);
    return !m_inFlight && !hasWork();
}

QList<int> ZUFreeActWriter::unwritten() const
{
    QMutexLocker locker(&m_mutex);
    QList<int> ids;
    for (const StuResultRow& row : m_waiting) {
        if (!ids.contains(row.interactID))
            ids.append(row.interactID);
    }
    for (const Step& step : m_steps) {
        if (!ids.contains(step.interactID))
            ids.append(step.interactID);
    }
    return ids;
}

QStringList ZUFreeActWriter::describeUnwritten() const
{
    QMutexLocker locker(&m_mutex);
    QStringList lines;
    for (const Step& step : m_steps) {
        QStringList results;
        for (const StuResultRow& row : step.results)
            results << row.dovaneID + QLatin1Char(':') + row.result + QLatin1Char(' ') + row.createDate;
        lines << (step.end ? QStringLiteral("free interaction %1 not ended in the file, its results: %2")
                                 .arg(step.interactID)
                                 .arg(results.join(QStringLiteral(", ")))
                           : QStringLiteral("free interaction %1: right answer \"%2\" not written")
                                 .arg(step.interactID)
                                 .arg(step.text));
    }
    QStringList waiting;
    for (const StuResultRow& row : m_waiting)
        waiting << QString::number(row.interactID) + QLatin1Char('/') + row.dovaneID + QLatin1Char(':') + row.result;
    if (!waiting.isEmpty())
        lines << QStringLiteral("free interaction results not written: ") + waiting.join(QStringLiteral(", "));
    return lines;
}

void ZUFreeActWriter::adopt()
{
    const int opening = TAVDatabase::getInstance()->openings();
    if (opening == m_opening)
        return;
    if (hasWork())
        forget(QStringLiteral("the database file was opened anew"));
    m_opening = opening;
}

void ZUFreeActWriter::forget(const QString& why)
{
    m_mutex.unlock();
    const QStringList lines = describeUnwritten();
    m_mutex.lock();
    for (const QString& line : lines)
        qWarning().noquote() << QStringLiteral("****") + line + QStringLiteral(" (") + why + QLatin1Char(')');
    m_waiting.clear();
    m_waitingAt.clear();
    m_steps.clear();
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

void ZUFreeActWriter::putBack(const Batch& batch)
{
    // What came meanwhile is newer than the rows that failed, and goes after them.
    const QVector<StuResultRow> newer = m_waiting;
    m_waiting.clear();
    m_waitingAt.clear();
    for (const StuResultRow& row : batch.results)
        addWaiting(row);
    for (const StuResultRow& row : newer)
        addWaiting(row);
    m_steps = batch.steps + m_steps;
}

bool ZUFreeActWriter::write(QSqlDatabase db, const Batch& batch)
{
    // The write lock is taken first, so that the busy time-out applies and no read lock has to be raised.
    if (!execute(db, QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    bool written = true;
    for (int i = 0; written && i < batch.results.size(); ++i)
        written = keepRow(db, batch.results.at(i));
    for (int i = 0; written && i < batch.steps.size(); ++i) {
        const Step& step = batch.steps.at(i);
        if (!step.end) {
            written = TAV_InteractInfo::getInstance()->setAnswer(db, step.interactID, step.text);
            continue;
        }
        if (step.interactID == -1) {
            InteractInfoRow whole = step.whole;
            // A lesson ended meanwhile has given up waiting for its right answers.
            ClassRecordRow lesson;
            if (whole.answer == QLatin1String("-1")
                && TAV_ClassRecord::getInstance()->selectByRecord(db, whole.localRecordID, &lesson) == 0
                && !lesson.endTime.isEmpty())
                whole.answer.clear();
            const int id = TAV_InteractInfo::getInstance()->insertEnded(db, whole);
            written = id != -1;
            for (int r = 0; written && r < step.results.size(); ++r) {
                StuResultRow row = step.results.at(r);
                row.interactID = id;
                written = TAV_StuResult::getInstance()->insertStuResult(db, row);
            }
            continue;
        }
        for (int r = 0; written && r < step.results.size(); ++r)
            written = keepRow(db, step.results.at(r));
        written = written && TAV_InteractInfo::getInstance()->endInteraction(db, step.interactID, step.text);
    }
    written = written && execute(db, QStringLiteral("COMMIT"));
    // A COMMIT refused as busy leaves the transaction open, and with it the write lock: it goes. SQLite may have
    // rolled back already (a full disk), so a refused ROLLBACK says nothing.
    if (!written)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return written;
}

void ZUFreeActWriter::run()
{
    const QString name = QLatin1String(kConnection);
    QSqlDatabase db;
    int opening = -1;
    QMutexLocker locker(&m_mutex);
    QDeadlineTimer nextTry(0);
    for (;;) {
        if (m_stopping && (m_giveUp || !hasWork()))
            break;
        if (!hasWork() || !nextTry.hasExpired()) {
            m_wake.wait(&m_mutex, hasWork() ? nextTry : QDeadlineTimer(QDeadlineTimer::Forever));
            continue;
        }
        Batch batch;
        batch.results = m_waiting;
        batch.steps = m_steps;
        m_waiting.clear();
        m_waitingAt.clear();
        m_steps.clear();
        batch.opening = m_opening;
        m_inFlight = true;
        locker.unlock();

        // A connection that did not open is opened again at the next try, and one to a file opened before the
        // current one is opened anew.
        if (!db.isOpen() || opening != TAVDatabase::getInstance()->openings()) {
            opening = TAVDatabase::getInstance()->openings();
            db = QSqlDatabase();
            if (QSqlDatabase::contains(name))
                TAVDatabase::getInstance()->closeOwnDbCon(name);
            db = TAVDatabase::getInstance()->openOwnDbCon(name, kBusyTimeoutMs);
        }
        const bool current = batch.opening == TAVDatabase::getInstance()->openings();
        const bool written = current && db.isOpen() && write(db, batch);
        if (written) {
            for (const Step& step : qAsConst(batch.steps)) {
                if (step.end && step.interactID == -1)
                    TAV_InteractInfo::getInstance()->releaseWhole(step.whole.localRecordID);
                else if (step.end)
                    TAV_InteractInfo::getInstance()->release(step.interactID);
            }
        } else if (current) {
            const int interactID
                = batch.results.isEmpty() ? batch.steps.first().interactID : batch.results.first().interactID;
            qWarning() << "****free interaction" << interactID << ":" << batch.results.size() << "results and"
                       << batch.steps.size() << "ends or answers not kept for now";
            emit keepFailed(interactID);
        }
        locker.relock();
        m_inFlight = false;
        if (written)
            continue;
        if (batch.opening != m_opening) {
            qWarning() << "****free interaction results:" << batch.results.size() << "results and" << batch.steps.size()
                       << "ends or answers not kept: the database file was opened anew";
            continue;
        }
        putBack(batch);
        if (!current)
            forget(QStringLiteral("the database file was opened anew"));
        nextTry = QDeadlineTimer(kRetryMs);
    }
    locker.unlock();
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase();
        TAVDatabase::getInstance()->closeOwnDbCon(name);
    }
}

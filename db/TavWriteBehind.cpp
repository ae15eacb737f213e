#include "TavWriteBehind.h"

#include "Singleton.h"
#include "TAVDatabase.h"
#include "TavSideRecord.h"
#include "TavStatement.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QtDebug>

namespace {

const char* const kConnection = "tavWriteBehind";
const int kFinishPollMs = 10;

QMutex g_kindsMutex;

struct Kind
{
    TavWriteBehind::Apply apply;
    QString words;
};

QHash<QString, Kind>& kinds()
{
    static QHash<QString, Kind> registered;
    return registered;
}

TavWriteBehind::Apply applyOf(const QString& kind)
{
    QMutexLocker locker(&g_kindsMutex);
    return kinds().value(kind).apply;
}

// A statement of the thread's own: BEGIN, COMMIT, ROLLBACK. The result code of a failure is kept for its cause.
bool execute(QSqlDatabase db, const QString& statement, int* cause)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    *cause = TavWriteCause::of(query.lastError());
    qWarning().noquote() << QStringLiteral("****pending writes: ") + statement + QStringLiteral(": ")
            + TavStatement::errorText(query.lastError());
    return false;
}

QString describe(const TavWrite& write)
{
    const QByteArray data = QJsonDocument(write.data).toJson(QJsonDocument::Compact);
    return QStringLiteral("%1 of lesson %2 %3%4: %5")
        .arg(write.kind)
        .arg(write.localRecordID)
        .arg(write.lessonUUID, write.round != -1 ? QStringLiteral(" round ") + QString::number(write.round) : QString())
        .arg(QString::fromUtf8(data.left(2000)));
}

// The places of a list's writes that the side record does not hold yet.
template<typename Entry> QList<int> unrecordedOf(const QList<Entry>& list)
{
    QList<int> places;
    for (int i = 0; i < list.size(); ++i) {
        if (!list.at(i).onRecord)
            places.append(i);
    }
    return places;
}

} // namespace

TavWriteBehind* TavWriteBehind::getInstance()
{
    return TavSingleton<TavWriteBehind>::instance();
}

TavWriteBehind::TavWriteBehind()
{
    TavWriteKinds::registerAll();
}

void TavWriteBehind::setKind(const QString& kind, const Apply& apply, const QString& words)
{
    QMutexLocker locker(&g_kindsMutex);
    kinds().insert(kind, { apply, words });
}

QString TavWriteBehind::wordsOf(const QString& kind)
{
    QMutexLocker locker(&g_kindsMutex);
    return kinds().value(kind).words;
}

void TavWriteBehind::hand(const TavWrite& write)
{
    QMutexLocker locker(&m_mutex);
    queue({ write, false });
    m_wake.wakeAll();
    startIfIdle();
}

void TavWriteBehind::startIfIdle()
{
    if (isRunning())
        return;
    // A thread that finish() ended is started anew.
    m_ending = Ending::No;
    m_left.clear();
    start();
}

void TavWriteBehind::queue(const Queued& queued)
{
    if (!queued.write.key.isEmpty()) {
        const auto at = m_waitingAt.constFind(queued.write.key);
        if (at != m_waitingAt.constEnd()) {
            // In the place of the earlier one, with its entries in the side record: they go once this is written.
            Queued& earlier = m_waiting[*at];
            Queued newer = queued;
            if (!queued.onRecord || queued.write.recorded.isEmpty())
                newer.write.recorded = earlier.write.recorded + queued.write.recorded;
            earlier = newer;
            return;
        }
        m_waitingAt.insert(queued.write.key, m_waiting.size());
    }
    m_waiting.append(queued);
}

void TavWriteBehind::resume()
{
    const QList<TavWrite> recorded = TavSideRecord::getInstance()->load();
    {
        QMutexLocker locker(&m_mutex);
        // What was held belongs to the file opened before.
        m_held.clear();
        m_reopen = true;
        // The record's writes are older than anything handed since; those still waiting follow them, but for those
        // the record holds, which came back with it.
        const QList<Queued> waiting = m_waiting;
        m_waiting.clear();
        m_waitingAt.clear();
        for (const TavWrite& write : recorded)
            queue({ write, true });
        for (const Queued& queued : waiting) {
            if (!queued.onRecord)
                queue(queued);
        }
        m_recordedAll = true;
        if (!hasWork())
            return;
        m_wake.wakeAll();
        startIfIdle();
    }
}

void TavWriteBehind::holdRound(int round, int localRecordID, const QString& lessonUUID)
{
    if (round == -1)
        return;
    QMutexLocker locker(&m_mutex);
    m_held.insert(round, { localRecordID, lessonUUID });
}

QHash<int, QString> TavWriteBehind::lessonsOf(QSqlDatabase db, const QSet<int>& ids) const
{
    QHash<int, QString> uuids;
    for (int id : ids) {
        TavStatement st(db, QStringLiteral("select UUID from TAV_ClassRecord where localRecordID = ?"));
        st.bind(id);
        if (!st.exec())
            return {}; // not known
        if (st.query().next())
            uuids.insert(id, st.query().value(0).toString());
        else
            uuids.insert(id, QString()); // no such lesson: nothing held belongs to it
    }
    return uuids;
}

QSet<int> TavWriteBehind::heldRounds(QSqlDatabase db) const
{
    QHash<int, Held> candidates;
    {
        QMutexLocker locker(&m_mutex);
        candidates = m_held;
        for (const QList<Queued>* list : { &m_waiting, &m_inFlight }) {
            for (const Queued& queued : *list) {
                if (queued.write.round != -1)
                    candidates.insert(queued.write.round, { queued.write.localRecordID, queued.write.lessonUUID });
            }
        }
    }
    QSet<int> lessons;
    for (const Held& held : qAsConst(candidates))
        lessons.insert(held.localRecordID);
    const QHash<int, QString> uuids = lessonsOf(db, lessons);
    QSet<int> rounds;
    for (auto it = candidates.constBegin(); it != candidates.constEnd(); ++it) {
        // Not known: a round kept open a while longer costs nothing, one ended without its answers costs them.
        if (uuids.isEmpty() || uuids.value(it->localRecordID) == it->lessonUUID)
            rounds.insert(it.key());
    }
    return rounds;
}

bool TavWriteBehind::holdsLesson(QSqlDatabase db, int localRecordID) const
{
    QSet<QString> uuids;
    {
        QMutexLocker locker(&m_mutex);
        for (const Held& held : m_held) {
            if (held.localRecordID == localRecordID)
                uuids.insert(held.lessonUUID);
        }
        for (const QList<Queued>* list : { &m_waiting, &m_inFlight }) {
            for (const Queued& queued : *list) {
                if (queued.write.localRecordID == localRecordID)
                    uuids.insert(queued.write.lessonUUID);
            }
        }
    }
    if (uuids.isEmpty())
        return false;
    const QHash<int, QString> stored = lessonsOf(db, { localRecordID });
    return stored.isEmpty() || uuids.contains(stored.value(localRecordID));
}

bool TavWriteBehind::isIdle() const
{
    QMutexLocker locker(&m_mutex);
    return m_waiting.isEmpty() && m_inFlight.isEmpty();
}

QList<TavWriteBehind::Unwritten> TavWriteBehind::unwritten() const
{
    QMutexLocker locker(&m_mutex);
    if (m_ending == Ending::HandedOver)
        return m_left;
    QList<Unwritten> writes;
    for (const QList<Queued>* list : { &m_inFlight, &m_waiting }) {
        for (const Queued& queued : *list)
            writes.append({ queued.write, queued.onRecord });
    }
    return writes;
}

QStringList TavWriteBehind::describeUnwritten() const
{
    QStringList lines;
    for (const Unwritten& left : unwritten())
        lines << describe(left.write)
                + (left.recorded ? QStringLiteral(" (recorded for the next start)")
                                 : QStringLiteral(" (recorded nowhere)"));
    return lines;
}

int TavWriteBehind::lastCause() const
{
    QMutexLocker locker(&m_mutex);
    return m_lastCause;
}

bool TavWriteBehind::recordedAll() const
{
    QMutexLocker locker(&m_mutex);
    return m_recordedAll;
}

bool TavWriteBehind::finish(int timeoutMs)
{
    if (isRunning()) {
        {
            QMutexLocker locker(&m_mutex);
            m_ending = Ending::Draining;
            m_wake.wakeAll();
        }
        waitForThread(QDeadlineTimer(timeoutMs));
    }

    // From here what is not written is this call's: the thread ends after the try under way, which may end either
    // way once the program has gone.
    QMutexLocker locker(&m_mutex);
    m_ending = Ending::HandedOver;
    m_handedOverWritten = false;
    m_wake.wakeAll();
    recordLeft();
    const int inFlight = m_inFlight.size();
    locker.unlock();
    // The try under way ends within its busy time-out on a disk that answers; one that hangs is not waited for.
    if (!waitForThread(QDeadlineTimer(kBusyTimeoutMs + kRetryMs)))
        qWarning() << "****pending writes: a try is still waiting for the disk as the program ends";
    locker.relock();
    // The try under way went in after all: what the record holds of it is settled.
    QList<quint64> settled;
    if (m_handedOverWritten) {
        for (const Unwritten& left : m_left.mid(0, inFlight))
            settled += left.write.recorded;
        m_left = m_left.mid(inFlight);
    }
    const bool written = m_left.isEmpty();
    locker.unlock();
    TavSideRecord* record = TavSideRecord::getInstance();
    record->settle(settled);
    record->close();
    return written;
}

void TavWriteBehind::recordLeft()
{
    // The try under way may end either way once the program has gone: its writes are recorded as maybe written,
    // in the place of the entries the record held of them.
    QList<quint64> replaced;
    for (Queued& queued : m_inFlight) {
        replaced += queued.write.recorded;
        queued.write.recorded.clear();
        queued.write.maybeWritten = true;
        queued.onRecord = false;
    }
    const QList<int> inFlight = unrecordedOf(m_inFlight);
    const QList<int> waiting = unrecordedOf(m_waiting);
    QList<TavWrite> unrecorded;
    for (int i : inFlight)
        unrecorded.append(m_inFlight.at(i).write);
    for (int i : waiting)
        unrecorded.append(m_waiting.at(i).write);
    TavSideRecord* record = TavSideRecord::getInstance();
    m_recordedAll = record->add(unrecorded);
    if (m_recordedAll) {
        record->settle(replaced);
        int next = 0;
        for (int i : inFlight)
            m_inFlight[i] = { unrecorded.at(next++), true };
        for (int i : waiting)
            m_waiting[i] = { unrecorded.at(next++), true };
    }
    m_left.clear();
    for (const QList<Queued>* list : { &m_inFlight, &m_waiting }) {
        for (const Queued& queued : *list)
            m_left.append({ queued.write, queued.onRecord });
    }
}

bool TavWriteBehind::waitForThread(const QDeadlineTimer& deadline)
{
    // The screen goes on painting; the teacher's clicks wait until this is over.
    QEventLoop loop;
    while (isRunning() && !deadline.hasExpired()) {
        QTimer::singleShot(kFinishPollMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return !isRunning() && wait();
}

TavWriteBehind::Pause::Pause(int waitMs)
{
    TavWriteBehind* writer = getInstance();
    QMutexLocker locker(&writer->m_mutex);
    ++writer->m_pauses;
    const QDeadlineTimer deadline(waitMs);
    while (writer->m_inTry && !deadline.hasExpired())
        writer->m_tryEnded.wait(&writer->m_mutex, deadline);
}

TavWriteBehind::Pause::~Pause()
{
    TavWriteBehind* writer = getInstance();
    QMutexLocker locker(&writer->m_mutex);
    --writer->m_pauses;
    writer->m_wake.wakeAll();
}

void TavWriteBehind::run()
{
    QSqlDatabase db;
    QList<Queued> batch;
    bool reopen = false;
    while (takeBatch(&batch, &reopen)) {
        Try result;
        if (ensureConnection(&db, reopen))
            result = tryBatch(db, batch);
        else
            result.cause = TavWriteCause::Other;
        QMutexLocker locker(&m_mutex);
        m_inTry = false;
        m_tryEnded.wakeAll();
        if (result.yielded) {
            giveBack(batch);
            continue;
        }
        // The program ends: finish() has recorded this try's writes already.
        const bool handedOver = m_ending == Ending::HandedOver;
        if (handedOver && !result.written)
            m_inFlight.clear();
        m_handedOverWritten = handedOver && result.written;
        locker.unlock();
        if (result.written)
            settle(batch, result);
        else if (!handedOver)
            keepFailed(batch, result);
        tell(batch, result);
    }
    db = QSqlDatabase();
    if (QSqlDatabase::contains(QLatin1String(kConnection)))
        TAVDatabase::getInstance()->closeOwnDbCon(QLatin1String(kConnection));
}

bool TavWriteBehind::takeBatch(QList<Queued>* batch, bool* reopen)
{
    QMutexLocker locker(&m_mutex);
    for (;;) {
        if (m_ending == Ending::HandedOver || (m_ending == Ending::Draining && !hasWork()))
            return false;
        // An interface thread's write goes first; it is short.
        if (hasWork() && m_nextTry.hasExpired() && m_pauses == 0)
            break;
        m_wake.wait(&m_mutex, hasWork() && m_pauses == 0 ? m_nextTry : QDeadlineTimer(QDeadlineTimer::Forever));
    }
    *batch = m_waiting;
    m_waiting.clear();
    m_waitingAt.clear();
    m_inFlight = *batch;
    *reopen = m_reopen;
    m_reopen = false;
    if (!m_failing)
        return true;
    locker.unlock();
    // While the file refuses, what comes is recorded before it is tried: a kill during the wait loses nothing.
    recordNew(batch);
    locker.relock();
    m_inFlight = *batch;
    return true;
}

bool TavWriteBehind::ensureConnection(QSqlDatabase* db, bool reopen)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    // A connection that did not open is opened again at the next try, and one to a file opened before the current
    // one is opened anew.
    if (db->isOpen() && !reopen)
        return true;
    *db = QSqlDatabase();
    if (QSqlDatabase::contains(QLatin1String(kConnection)))
        database->closeOwnDbCon(QLatin1String(kConnection));
    *db = database->openOwnDbCon(QLatin1String(kConnection), kBusyTimeoutMs);
    return db->isOpen();
}

TavWriteBehind::Try TavWriteBehind::tryBatch(QSqlDatabase db, const QList<Queued>& batch)
{
    Try result;
    // The write lock is taken first, so that the busy time-out applies and no read lock has to be raised.
    if (!execute(db, QStringLiteral("BEGIN IMMEDIATE"), &result.cause))
        return result;
    {
        // A write of the interface thread asked for the file meanwhile: it goes first.
        QMutexLocker locker(&m_mutex);
        result.yielded = m_pauses > 0;
        m_inTry = !result.yielded;
    }
    if (result.yielded) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return result;
    }
    QSet<int> ids;
    for (const Queued& queued : batch)
        ids.insert(queued.write.localRecordID);
    const QHash<int, QString> lessons = lessonsOf(db, ids);
    bool ok = !lessons.isEmpty() || ids.isEmpty();
    if (!ok)
        result.cause = TavWriteCause::fromCode(TavStatement::lastFailureCode());
    for (int i = 0; ok && i < batch.size(); ++i) {
        const TavWrite& write = batch.at(i).write;
        const Apply apply = applyOf(write.kind);
        if (lessons.value(write.localRecordID) != write.lessonUUID || write.lessonUUID.isEmpty()) {
            qWarning().noquote() << QStringLiteral("****a pending write of a lesson this database file does not hold "
                                                   "is set aside: ")
                    + describe(write);
            result.setAside.append(i);
            continue;
        }
        if (!apply) {
            qWarning().noquote() << QStringLiteral("****a pending write of no known kind is set aside: ")
                    + describe(write);
            result.setAside.append(i);
            continue;
        }
        const quint64 failures = TavStatement::failureCount();
        switch (apply(db, write)) {
        case Outcome::Written:
            break;
        case Outcome::Malformed:
            qWarning().noquote() << QStringLiteral("****a pending write whose data does not fit its kind is set "
                                                   "aside: ")
                    + describe(write);
            result.setAside.append(i);
            break;
        case Outcome::Failed:
            ok = false;
            result.cause = TavStatement::failureCount() != failures
                ? TavWriteCause::fromCode(TavStatement::lastFailureCode())
                : int(TavWriteCause::Other);
            break;
        }
    }
    ok = ok && execute(db, QStringLiteral("COMMIT"), &result.cause);
    // A COMMIT refused as busy leaves the transaction open, and with it the write lock: it goes. SQLite may have
    // rolled back already (a full disk), so a refused ROLLBACK says nothing.
    if (!ok)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    result.written = ok;
    return result;
}

void TavWriteBehind::settle(const QList<Queued>& batch, const Try&)
{
    QList<quint64> recorded;
    for (const Queued& queued : batch)
        recorded += queued.write.recorded;
    if (!recorded.isEmpty() && !TavSideRecord::getInstance()->settle(recorded))
        qWarning() << "****pending writes: the side record still lists writes that are in the file now; they are "
                      "written again, to the same effect, at the next start";
    QMutexLocker locker(&m_mutex);
    for (const Queued& queued : batch) {
        if (queued.write.endsRound)
            m_held.remove(queued.write.round);
    }
    m_inFlight.clear();
    m_failing = false;
}

void TavWriteBehind::keepFailed(QList<Queued> batch, const Try& result)
{
    // What was set aside is not tried again.
    QList<quint64> aside;
    for (int i = result.setAside.size() - 1; i >= 0; --i) {
        aside += batch.at(result.setAside.at(i)).write.recorded;
        batch.removeAt(result.setAside.at(i));
    }
    if (!aside.isEmpty())
        TavSideRecord::getInstance()->settle(aside);
    recordNew(&batch);
    QMutexLocker locker(&m_mutex);
    giveBack(batch);
    m_failing = true;
    m_nextTry = QDeadlineTimer(kRetryMs);
}

void TavWriteBehind::giveBack(const QList<Queued>& batch)
{
    // What came meanwhile is newer than what was tried, and goes after it.
    const QList<Queued> newer = m_waiting;
    m_waiting.clear();
    m_waitingAt.clear();
    for (const Queued& queued : batch)
        queue(queued);
    for (const Queued& queued : newer)
        queue(queued);
    m_inFlight.clear();
}

void TavWriteBehind::recordNew(QList<Queued>* batch)
{
    QList<TavWrite> unrecorded;
    for (const Queued& queued : qAsConst(*batch)) {
        if (!queued.onRecord)
            unrecorded.append(queued.write);
    }
    if (unrecorded.isEmpty())
        return;
    const bool recorded = TavSideRecord::getInstance()->add(unrecorded);
    {
        QMutexLocker locker(&m_mutex);
        m_recordedAll = recorded;
    }
    if (!recorded) {
        qWarning() << "****pending writes:" << unrecorded.size()
                   << "writes are kept in memory only, the side record cannot take them";
        return;
    }
    int next = 0;
    for (Queued& queued : *batch) {
        if (queued.onRecord)
            continue;
        queued.write.recorded = unrecorded.at(next++).recorded;
        queued.onRecord = true;
    }
}

void TavWriteBehind::tell(const QList<Queued>& batch, const Try& result)
{
    // Known before anyone hears of the failure.
    if (!result.written) {
        QMutexLocker locker(&m_mutex);
        m_lastCause = result.cause;
    }
    QSet<QString> told;
    for (int i = 0; i < batch.size(); ++i) {
        if (result.setAside.contains(i))
            continue;
        const TavWrite& write = batch.at(i).write;
        const QString key = write.kind + QLatin1Char('/') + QString::number(write.localRecordID) + QLatin1Char('/')
            + QString::number(write.round);
        if (told.contains(key))
            continue;
        told.insert(key);
        if (result.written)
            emit written(write.kind, write.localRecordID, write.round);
        else
            emit failed(write.kind, write.localRecordID, write.round, result.cause);
    }
    if (result.written)
        return;
    qWarning() << "****pending writes:" << batch.size()
               << "writes not in the file for now:" << TavWriteCause::text(TavWriteCause::Cause(result.cause));
}

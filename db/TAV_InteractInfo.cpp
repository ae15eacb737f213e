#include "TAV_InteractInfo.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_StuResult.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QtDebug>

#include <iterator>

namespace {
const QString kColumns = QStringLiteral("select interactID, localRecordID, answerType, startTime, endTime, answer, "
                                        "status, createDate, stationSn from TAV_InteractInfo");
const QString kPending = QStringLiteral("-1");

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QList<InteractInfoRow> readRows(TavStatement& st)
{
    QList<InteractInfoRow> list;
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        InteractInfoRow row;
        row.interactID = q.value(0).toInt();
        row.localRecordID = q.value(1).toInt();
        row.answerType = q.value(2).toInt();
        row.startTime = TavStatement::readTime(q.value(3));
        row.endTime = TavStatement::readTime(q.value(4));
        row.answer = q.value(5).toString();
        row.status = q.value(6).toBool();
        row.createDate = TavStatement::readTime(q.value(7));
        row.stationSn = q.value(8).toString();
        list.append(row);
    }
    return list;
}
} // namespace

int TAV_InteractInfo::insertInteractInfo(QSqlDatabase db, InteractInfoRow* row)
{
    if (!row)
        return -1;
    if (selectOpenInteractID(db) != -1)
        closeOpenInteractions(db);

    TavStatement st(
        db,
        QStringLiteral("insert into TAV_InteractInfo (localRecordID, answerType, startTime, answer, status, "
                       "createDate, stationSn) values(?, ?, ?, ?, ?, ?, ?)"));
    // A random pick has no right answer: it is stored as '' (not NULL) so that the upload finds it.
    st.bind(row->localRecordID).bind(row->answerType).bind(TavStatement::text(row->startTime));
    st.bind(TavStatement::text(row->answer)).bind(0).bind(TavStatement::text(row->createDate));
    st.bind(TavStatement::text(row->stationSn));
    if (!st.exec()) {
        row->interactID = -1;
        return -1;
    }
    row->interactID = st.lastInsertId();
    TAVMemInfo::getInstance()->currentInteractID = row->interactID;
    return row->interactID;
}

int TAV_InteractInfo::selectOpenInteractID(QSqlDatabase db)
{
    TavStatement st(
        db, QStringLiteral("select interactID from TAV_InteractInfo where endTime is null order by interactID"));
    if (!st.exec() || !st.query().last())
        return -1;
    return st.query().value(0).toInt();
}

void TAV_InteractInfo::closeOpenInteractions(QSqlDatabase db, const QString& endTime)
{
    deleteDropped(db);
    QString held;
    {
        QSet<int> ids = TavWriteBehind::getInstance()->heldRounds(db);
        QMutexLocker locker(&m_droppedMutex);
        ids += heldInThisOpening();
        QFile file(heldFilePath());
        if (file.exists() && file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                bool number = false;
                const int id = line.trimmed().toInt(&number);
                if (number)
                    ids.insert(id);
            }
        }
        for (int id : qAsConst(ids))
            held += (held.isEmpty() ? QStringLiteral(" and interactID not in (") : QStringLiteral(", "))
                + QString::number(id);
    }
    if (!held.isEmpty())
        held += QLatin1Char(')');
    TavStatement st(db, QStringLiteral("update TAV_InteractInfo set endTime = ? where endTime is null") + held);
    st.bind(endTime.isEmpty() ? now() : endTime);
    st.exec();
}

void TAV_InteractInfo::holdOpen(int interactID)
{
    QMutexLocker locker(&m_droppedMutex);
    if (interactID != -1)
        m_heldOpen.insert(interactID, TAVDatabase::getInstance()->openings());
}

void TAV_InteractInfo::release(int interactID)
{
    QMutexLocker locker(&m_droppedMutex);
    m_heldOpen.remove(interactID);
}

void TAV_InteractInfo::holdWhole(int localRecordID)
{
    QMutexLocker locker(&m_droppedMutex);
    m_heldWhole.append({ localRecordID, TAVDatabase::getInstance()->openings() });
}

void TAV_InteractInfo::releaseWhole(int localRecordID)
{
    QMutexLocker locker(&m_droppedMutex);
    for (int i = 0; i < m_heldWhole.size(); ++i) {
        if (m_heldWhole.at(i).first == localRecordID) {
            m_heldWhole.removeAt(i);
            return;
        }
    }
}

bool TAV_InteractInfo::holdsOpen(QSqlDatabase db, int localRecordID)
{
    if (TavWriteBehind::getInstance()->holdsLesson(db, localRecordID))
        return true;
    QSet<int> held;
    {
        QMutexLocker locker(&m_droppedMutex);
        // Only what this run still holds in memory: a round held for good after a quit can never be written, and
        // its lesson goes without it.
        const int opening = TAVDatabase::getInstance()->openings();
        for (const QPair<int, int>& whole : qAsConst(m_heldWhole)) {
            if (whole.first == localRecordID && whole.second == opening)
                return true;
        }
        held = heldInThisOpening();
    }
    if (held.isEmpty())
        return false;
    TavStatement st(db,
                    QStringLiteral("select interactID from TAV_InteractInfo where localRecordID = ? and endTime is "
                                   "null"));
    st.bind(localRecordID);
    if (!st.exec())
        return true; // not known: waiting costs a cycle, sending without the round costs the round
    while (st.query().next()) {
        if (held.contains(st.query().value(0).toInt()))
            return true;
    }
    return false;
}

int TAV_InteractInfo::insertEnded(QSqlDatabase db, const InteractInfoRow& row)
{
    TavStatement st(
        db,
        QStringLiteral("insert into TAV_InteractInfo (localRecordID, answerType, startTime, endTime, answer, status, "
                       "createDate, stationSn) values(?, ?, ?, ?, ?, ?, ?, ?)"));
    st.bind(row.localRecordID).bind(row.answerType).bind(TavStatement::text(row.startTime));
    st.bind(TavStatement::text(row.endTime)).bind(TavStatement::text(row.answer)).bind(0);
    st.bind(TavStatement::text(row.createDate)).bind(TavStatement::text(row.stationSn));
    return st.exec() ? st.lastInsertId() : -1;
}

QSet<int> TAV_InteractInfo::heldInThisOpening() const
{
    QSet<int> ids;
    const int opening = TAVDatabase::getInstance()->openings();
    for (auto it = m_heldOpen.constBegin(); it != m_heldOpen.constEnd(); ++it) {
        if (it.value() == opening)
            ids.insert(it.key());
    }
    return ids;
}

QString TAV_InteractInfo::heldFilePath()
{
    return TAVDatabase::databasePath() + QStringLiteral(".unended");
}

bool TAV_InteractInfo::holdOpenForGood(const QList<int>& interactIDs)
{
    QMutexLocker locker(&m_droppedMutex);
    QFile file(heldFilePath());
    QByteArray lines;
    for (int id : interactIDs)
        lines += QByteArray::number(id) + '\n';
    return file.open(QIODevice::Append) && file.write(lines) == lines.size() && file.flush();
}

bool TAV_InteractInfo::endInteraction(QSqlDatabase db, int interactID, const QString& endTime)
{
    TavStatement st(db,
                    QStringLiteral("update TAV_InteractInfo set endTime = ? where interactID = ? and endTime is null"));
    st.bind(TavStatement::text(endTime)).bind(interactID);
    return st.exec();
}

bool TAV_InteractInfo::setAnswer(QSqlDatabase db, int interactID, QString answer)
{
    TavStatement st(db, QStringLiteral("update TAV_InteractInfo set answer = ? where interactID = ?"));
    st.bind(TavStatement::text(answer)).bind(interactID);
    return st.exec();
}

void TAV_InteractInfo::clearPendingAnswers(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db,
                    QStringLiteral("update TAV_InteractInfo set answer = ? where answer = ? and localRecordID = ?"));
    st.bind(TavStatement::text(QString())).bind(kPending).bind(localRecordID);
    st.exec();
}

QList<InteractInfoRow> TAV_InteractInfo::selectByRecord(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where localRecordID = ? order by interactID"));
    st.bind(localRecordID);
    return readRows(st);
}

QList<InteractInfoRow> TAV_InteractInfo::selectNotUploaded(QSqlDatabase db, int localRecordID)
{
    // A NULL answer (rows of older versions) is no pending "-1" either.
    TavStatement st(db,
                    kColumns
                        + QStringLiteral(" where status = ? and (answer is null or answer <> ?) and localRecordID = ? "
                                         "order by interactID"));
    st.bind(0).bind(kPending).bind(localRecordID);
    return readRows(st);
}

void TAV_InteractInfo::setUploaded(QSqlDatabase db, int interactID)
{
    TavStatement st(db, QStringLiteral("update TAV_InteractInfo set status = ? where interactID = ?"));
    st.bind(1).bind(interactID);
    st.exec();
}

bool TAV_InteractInfo::deleteByInteract(QSqlDatabase db, int interactID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_InteractInfo where interactID = ?"));
    st.bind(interactID);
    return st.exec();
}

bool TAV_InteractInfo::dropInteraction(QSqlDatabase db, int interactID)
{
    {
        QMutexLocker locker(&m_droppedMutex);
        m_dropped.insert(interactID, TAVDatabase::getInstance()->openings());
    }
    const bool results = TAV_StuResult::getInstance()->deleteByInteract(db, interactID);
    return deleteByInteract(db, interactID) && results;
}

void TAV_InteractInfo::deleteDropped(QSqlDatabase db)
{
    QList<int> dropped;
    {
        QMutexLocker locker(&m_droppedMutex);
        const int opening = TAVDatabase::getInstance()->openings();
        for (auto it = m_dropped.begin(); it != m_dropped.end();)
            it = it.value() == opening ? std::next(it) : m_dropped.erase(it);
        dropped = m_dropped.keys();
    }
    for (int id : qAsConst(dropped)) {
        // A file never gives an id twice, so one that is gone (deleted, or uploaded and removed) is done with.
        TavStatement st(db, QStringLiteral("select count(*) from TAV_InteractInfo where interactID = ?"));
        st.bind(id);
        if (st.exec() && st.query().next() && st.query().value(0).toInt() == 0) {
            QMutexLocker locker(&m_droppedMutex);
            m_dropped.remove(id);
            continue;
        }
        qWarning() << "****free interaction" << id << "was not stored whole: it is deleted now";
        TAV_StuResult::getInstance()->deleteByInteract(db, id);
        deleteByInteract(db, id);
    }
}

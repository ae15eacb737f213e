#include "TAV_InteractInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"

#include <QDateTime>

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
    QString held;
    for (int id : TavWriteBehind::getInstance()->heldRounds(db))
        held += (held.isEmpty() ? QStringLiteral(" and interactID not in (") : QStringLiteral(", "))
            + QString::number(id);
    if (!held.isEmpty())
        held += QLatin1Char(')');
    TavStatement st(db, QStringLiteral("update TAV_InteractInfo set endTime = ? where endTime is null") + held);
    st.bind(endTime.isEmpty() ? now() : endTime);
    st.exec();
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

bool TAV_InteractInfo::findStarted(QSqlDatabase db, const InteractInfoRow& row, int* interactID)
{
    TavStatement st(db,
                    QStringLiteral("select interactID from TAV_InteractInfo where localRecordID = ? and answerType = ? "
                                   "and startTime = ? and createDate = ? and (? = '' or endTime = ?) order by "
                                   "interactID desc"));
    st.bind(row.localRecordID).bind(row.answerType).bind(TavStatement::text(row.startTime));
    st.bind(TavStatement::text(row.createDate)).bind(TavStatement::text(row.endTime));
    st.bind(TavStatement::text(row.endTime));
    if (!st.exec())
        return false;
    *interactID = st.query().next() ? st.query().value(0).toInt() : -1;
    return true;
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

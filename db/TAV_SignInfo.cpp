#include "TAV_SignInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

#include <QDateTime>

namespace {
const QString kColumns = QStringLiteral(
    "select signID, localRecordID, startTime, endTime, createDate, status, stationSn from TAV_SignInfo");

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

SignInfoRow readRow(const QSqlQuery& q)
{
    SignInfoRow row;
    row.signID = q.value(0).toInt();
    row.localRecordID = q.value(1).toInt();
    row.startTime = TavStatement::readTime(q.value(2));
    row.endTime = TavStatement::readTime(q.value(3));
    row.createDate = TavStatement::readTime(q.value(4));
    row.status = q.value(5).toBool();
    row.stationSn = q.value(6).toString();
    return row;
}
} // namespace

int TAV_SignInfo::insertSignInfo(QSqlDatabase db, QString stationSn)
{
    const QString time = now();
    TavStatement st(db,
                    QStringLiteral("insert into TAV_SignInfo (localRecordID, startTime, createDate, status, stationSn) "
                                   "values(?, ?, ?, ?, ?)"));
    st.bind(TAVMemInfo::getInstance()->currentRecord.localRecordID).bind(time).bind(time).bind(0);
    st.bind(TavStatement::text(stationSn));
    currentSignID = st.exec() ? st.lastInsertId() : -1;
    return currentSignID;
}

bool TAV_SignInfo::setEndTime(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("update TAV_SignInfo set endTime = ? where signID = ?"));
    st.bind(now()).bind(currentSignID);
    return st.exec(TavStatement::ErrorOnly);
}

int TAV_SignInfo::insertEnded(QSqlDatabase db, SignInfoRow& row)
{
    TavStatement st(db,
                    QStringLiteral("insert into TAV_SignInfo (localRecordID, startTime, endTime, createDate, status, "
                                   "stationSn) values(?, ?, ?, ?, ?, ?)"));
    st.bind(row.localRecordID).bind(TavStatement::optionalTime(row.startTime));
    st.bind(TavStatement::optionalTime(row.endTime)).bind(TavStatement::optionalTime(row.createDate)).bind(0);
    st.bind(TavStatement::text(row.stationSn));
    row.signID = st.exec() ? st.lastInsertId() : -1;
    return row.signID;
}

QList<int> TAV_SignInfo::selectSame(QSqlDatabase db, const SignInfoRow& row)
{
    QList<int> ids;
    TavStatement st(db,
                    QStringLiteral("select signID from TAV_SignInfo where localRecordID = ? and startTime = ? and "
                                   "endTime = ? and stationSn = ? order by signID desc"));
    st.bind(row.localRecordID).bind(TavStatement::optionalTime(row.startTime));
    st.bind(TavStatement::optionalTime(row.endTime)).bind(TavStatement::text(row.stationSn));
    if (!st.exec())
        return ids;
    while (st.query().next())
        ids.append(st.query().value(0).toInt());
    return ids;
}

int TAV_SignInfo::selectLastSignID(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, QStringLiteral("select max(signID) from TAV_SignInfo where localRecordID = ?"));
    st.bind(localRecordID);
    if (!st.exec())
        return -1;
    return st.query().next() ? st.query().value(0).toInt() : 0;
}

SignInfoRow TAV_SignInfo::selectLastFinished(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db,
                    kColumns + QStringLiteral(" where endTime is not null and localRecordID = ? order by signID desc"));
    st.bind(localRecordID);
    if (!st.exec() || !st.query().next())
        return SignInfoRow();
    // Once the newest finished sign-in is sent, older ones of the lesson are not offered again.
    if (st.query().value(5).toBool())
        return SignInfoRow();
    return readRow(st.query());
}

QList<SignInfoRow> TAV_SignInfo::selectByRecord(QSqlDatabase db, int localRecordID)
{
    QList<SignInfoRow> list;
    TavStatement st(db, kColumns + QStringLiteral(" where localRecordID = ? order by signID"));
    st.bind(localRecordID);
    if (!st.exec())
        return list;
    while (st.query().next())
        list.append(readRow(st.query()));
    return list;
}

void TAV_SignInfo::setUploaded(QSqlDatabase db, int signID)
{
    TavStatement st(db, QStringLiteral("update TAV_SignInfo set status = ? where signID = ?"));
    st.bind(1).bind(signID);
    st.exec();
}

void TAV_SignInfo::deleteByRecord(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_SignInfo where localRecordID = ?"));
    st.bind(localRecordID);
    st.exec();
}

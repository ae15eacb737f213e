#include "TAV_SignStuInfo.h"

#include "TAV_SignInfo.h"
#include "TavStatement.h"

#include <QVariantList>
#include <QtDebug>

bool TAV_SignStuInfo::insertSignStuInfoList(QSqlDatabase db, QMap<QString, QString> signedStudents)
{
    const int signID = TAV_SignInfo::getInstance()->currentSignID;
    if (signID < 0) {
        qWarning() << "****insertSignStuInfoList: no sign-in is running, the signed students are not written";
        return false;
    }
    return insertForSign(db, signID, signedStudents);
}

bool TAV_SignStuInfo::insertForSign(QSqlDatabase db, int signID, const QMap<QString, QString>& signedStudents)
{
    QVariantList signIDs, students, times, statuses;
    for (auto it = signedStudents.cbegin(); it != signedStudents.cend(); ++it) {
        signIDs << signID;
        students << TavStatement::text(it.key());
        times << TavStatement::text(it.value());
        statuses << 0;
    }
    TavStatement st(
        db, QStringLiteral("insert into TAV_SignStuInfo (signID, dovaneID, createDate, status) values(?, ?, ?, ?)"));
    st.bind(signIDs).bind(students).bind(times).bind(statuses);
    return st.execBatch(TavStatement::ErrorOnly);
}

QMap<QString, QString> TAV_SignStuInfo::selectBySign(QSqlDatabase db, int signID)
{
    QMap<QString, QString> map;
    TavStatement st(db, QStringLiteral("select dovaneID, createDate from TAV_SignStuInfo where signID = ?"));
    st.bind(signID);
    if (!st.exec())
        return map;
    while (st.query().next())
        map.insert(st.query().value(0).toString(), st.query().value(1).toString());
    return map;
}

QList<SignStuInfoRow> TAV_SignStuInfo::selectNotUploaded(QSqlDatabase db, int signID)
{
    QList<SignStuInfoRow> list;
    TavStatement st(db,
                    QStringLiteral("select stuSignID, signID, dovaneID, createDate, status from TAV_SignStuInfo "
                                   "where status = ? and signID = ? order by stuSignID"));
    st.bind(0).bind(signID);
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        SignStuInfoRow row;
        row.stuSignID = q.value(0).toInt();
        row.signID = q.value(1).toInt();
        row.dovaneID = q.value(2).toString();
        row.createDate = TavStatement::readTime(q.value(3));
        row.status = q.value(4).toBool();
        list.append(row);
    }
    return list;
}

void TAV_SignStuInfo::setUploaded(QSqlDatabase db, int signID)
{
    TavStatement st(db, QStringLiteral("update TAV_SignStuInfo set status = ? where signID = ?"));
    st.bind(1).bind(signID);
    st.exec();
}

void TAV_SignStuInfo::deleteBySign(QSqlDatabase db, int signID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_SignStuInfo where signID = ?"));
    st.bind(signID);
    st.exec();
}

#include "TAV_StuResult.h"

#include "TavStatement.h"

#include <QtDebug>

namespace {
const QString kColumns
    = QStringLiteral("select stuResultID, interactID, dovaneID, createDate, result, status from TAV_StuResult");

QList<StuResultRow> readRows(TavStatement& st)
{
    QList<StuResultRow> list;
    st.setForwardOnly();
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    TavStatement::TimeReader readTime;
    while (q.next()) {
        StuResultRow row;
        row.stuResultID = q.value(0).toInt();
        row.interactID = q.value(1).toInt();
        row.dovaneID = q.value(2).toString();
        row.createDate = readTime(q.value(3));
        row.result = q.value(4).toString();
        row.status = q.value(5).toBool();
        list.append(row);
    }
    return list;
}
} // namespace

bool TAV_StuResult::insertStuResult(QSqlDatabase db, StuResultRow row, int* stuResultID)
{
    if (row.interactID < 0) {
        qWarning() << "****insertStuResult: no interaction, result not written";
        return false;
    }
    TavStatement st(db,
                    QStringLiteral("insert into TAV_StuResult (interactID, dovaneID, createDate, result, status) "
                                   "values(?, ?, ?, ?, ?)"));
    st.bind(row.interactID).bind(TavStatement::text(row.dovaneID)).bind(TavStatement::text(row.createDate));
    st.bind(TavStatement::text(row.result)).bind(0);
    if (!st.exec())
        return false;
    if (stuResultID)
        *stuResultID = st.lastInsertId();
    return true;
}

bool TAV_StuResult::updateResult(QSqlDatabase db, int stuResultID, const QString& result, const QString& createDate)
{
    TavStatement st(db, QStringLiteral("update TAV_StuResult set result = ?, createDate = ? where stuResultID = ?"));
    st.bind(TavStatement::text(result)).bind(TavStatement::text(createDate)).bind(stuResultID);
    return st.exec() && st.query().numRowsAffected() == 1;
}

TAV_StuResult::Keeping TAV_StuResult::keepResult(QSqlDatabase db, const StuResultRow& row)
{
    static const QString open
        = QStringLiteral("exists (select 1 from TAV_InteractInfo where interactID = ? and endTime is null)");
    TavStatement update(db,
                        QStringLiteral("update TAV_StuResult set result = ?, createDate = ? where interactID = ? and "
                                       "dovaneID = ? and ")
                            + open);
    update.bind(TavStatement::text(row.result)).bind(TavStatement::text(row.createDate)).bind(row.interactID);
    update.bind(TavStatement::text(row.dovaneID)).bind(row.interactID);
    if (!update.exec())
        return Failed;
    if (update.query().numRowsAffected() > 0)
        return Kept;
    TavStatement insert(db,
                        QStringLiteral("insert into TAV_StuResult (interactID, dovaneID, createDate, result, status) "
                                       "select ?, ?, ?, ?, 0 where ")
                            + open);
    insert.bind(row.interactID).bind(TavStatement::text(row.dovaneID)).bind(TavStatement::text(row.createDate));
    insert.bind(TavStatement::text(row.result)).bind(row.interactID);
    if (!insert.exec())
        return Failed;
    return insert.query().numRowsAffected() == 1 ? Kept : Ended;
}

QList<StuResultRow> TAV_StuResult::selectByInteract(QSqlDatabase db, int interactID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where interactID = ? order by stuResultID"));
    st.bind(interactID);
    return readRows(st);
}

QList<StuResultRow> TAV_StuResult::selectNotUploaded(QSqlDatabase db, int interactID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where status = ? and interactID = ? order by stuResultID"));
    st.bind(0).bind(interactID);
    return readRows(st);
}

TavRowCursor TAV_StuResult::pendingOfRecord(QSqlDatabase db, int localRecordID)
{
    // The lesson's interactions, each with its results in id order: both through their parent index, in the
    // order those give, so nothing is sorted and stored lessons are not looked at.
    TavRowCursor rows(
        db,
        QStringLiteral("select r.stuResultID, r.interactID, r.dovaneID, r.createDate, r.result "
                       "from TAV_InteractInfo i inner join TAV_StuResult r on r.interactID = i.interactID "
                       "where i.localRecordID = ? and r.status = ? order by i.interactID, r.stuResultID"));
    rows.bind(localRecordID).bind(0);
    return rows;
}

void TAV_StuResult::setUploaded(QSqlDatabase db, int stuResultID)
{
    TavStatement st(db, QStringLiteral("update TAV_StuResult set status = ? where stuResultID = ?"));
    st.bind(1).bind(stuResultID);
    st.exec();
}

bool TAV_StuResult::deleteByInteract(QSqlDatabase db, int interactID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_StuResult where interactID = ?"));
    st.bind(interactID);
    return st.exec();
}

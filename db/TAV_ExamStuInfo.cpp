#include "TAV_ExamStuInfo.h"

#include "TavStatement.h"

#include <QtDebug>

namespace {
const QString kColumns = QStringLiteral("select dovaneID, examID, useTime from TAV_ExamStuInfo");

QList<ExamStuInfoRow> readRows(TavStatement& st)
{
    QList<ExamStuInfoRow> list;
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        ExamStuInfoRow row;
        row.dovaneID = q.value(0).toString();
        row.examID = q.value(1).toInt();
        row.useTime = q.value(2).toInt();
        list.append(row);
    }
    return list;
}
} // namespace

bool TAV_ExamStuInfo::insertExamStuInfo(QSqlDatabase db, ExamStuInfoRow row)
{
    if (row.examID < 0) {
        qWarning() << "****insertExamStuInfo: no quiz, row not written";
        return false;
    }
    TavStatement st(
        db, QStringLiteral("insert into TAV_ExamStuInfo (dovaneID, examID, useTime, status) values(?, ?, ?, ?)"));
    st.bind(TavStatement::text(row.dovaneID)).bind(row.examID).bind(row.useTime).bind(0);
    return st.exec();
}

void TAV_ExamStuInfo::setUploaded(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("update TAV_ExamStuInfo set status = ? where examID = ?"));
    st.bind(1).bind(examID);
    st.exec();
}

void TAV_ExamStuInfo::deleteByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ExamStuInfo where examID = ?"));
    st.bind(examID);
    st.exec();
}

QList<ExamStuInfoRow> TAV_ExamStuInfo::selectNotUploaded(QSqlDatabase db, int examID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where status = ? and examID = ?"));
    st.bind(0).bind(examID);
    return readRows(st);
}

TavRowCursor TAV_ExamStuInfo::pendingOfRecord(QSqlDatabase db, int localRecordID)
{
    // Each quiz's students in table order, the order selectNotUploaded gets from its scan of the table.
    TavRowCursor rows(db,
                      QStringLiteral("select s.dovaneID, s.examID, s.useTime "
                                     "from TAV_ExamInfo e inner join TAV_ExamStuInfo s on s.examID = e.examID "
                                     "where e.localRecordID = ? and s.status = ? order by e.examID, s.rowid"));
    rows.bind(localRecordID).bind(0);
    return rows;
}

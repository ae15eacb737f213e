#include "TAV_ExamInfo.h"

#include "TavStatement.h"

namespace {
const QString kColumns = QStringLiteral("select examID, localRecordID, startTime, endTime, paperID from TAV_ExamInfo");

QList<ExamInfoRow> readRows(TavStatement& st)
{
    QList<ExamInfoRow> list;
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        ExamInfoRow row;
        row.examID = q.value(0).toInt();
        row.localRecordID = q.value(1).toInt();
        row.startTime = TavStatement::readTime(q.value(2));
        row.endTime = TavStatement::readTime(q.value(3));
        row.paperID = q.value(4).toString();
        list.append(row);
    }
    return list;
}
} // namespace

int TAV_ExamInfo::insertExamInfo(QSqlDatabase db, ExamInfoRow& row)
{
    TavStatement st(db,
                    QStringLiteral("insert into TAV_ExamInfo (localRecordID, startTime, endTime, paperID, status) "
                                   "values(?, ?, ?, ?, ?)"));
    st.bind(row.localRecordID).bind(TavStatement::optionalTime(row.startTime));
    st.bind(TavStatement::optionalTime(row.endTime)).bind(TavStatement::text(row.paperID)).bind(0);
    row.examID = st.exec() ? st.lastInsertId() : -1;
    return row.examID;
}

void TAV_ExamInfo::setUploaded(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("update TAV_ExamInfo set status = ? where examID = ?"));
    st.bind(1).bind(examID);
    st.exec();
}

void TAV_ExamInfo::deleteByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ExamInfo where examID = ?"));
    st.bind(examID);
    st.exec();
}

QList<ExamInfoRow> TAV_ExamInfo::selectNotUploaded(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where status = ? and localRecordID = ? order by examID"));
    st.bind(0).bind(localRecordID);
    return readRows(st);
}

QList<ExamInfoRow> TAV_ExamInfo::selectByRecord(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where localRecordID = ? order by examID"));
    st.bind(localRecordID);
    return readRows(st);
}

int TAV_ExamInfo::selectSame(QSqlDatabase db, const ExamInfoRow& row)
{
    TavStatement st(db,
                    QStringLiteral("select examID from TAV_ExamInfo where localRecordID = ? and startTime = ? and "
                                   "endTime = ? and paperID = ?"));
    st.bind(row.localRecordID).bind(TavStatement::optionalTime(row.startTime));
    st.bind(TavStatement::optionalTime(row.endTime)).bind(TavStatement::text(row.paperID));
    if (!st.exec())
        return -1;
    return st.query().next() ? st.query().value(0).toInt() : 0;
}

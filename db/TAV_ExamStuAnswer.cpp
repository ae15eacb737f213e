#include "TAV_ExamStuAnswer.h"

#include "TavStatement.h"

#include <QtDebug>

namespace {
const QString kColumns = QStringLiteral("select id, examID, dovaneID, answer, subQuestionID, sn, questionID, "
                                        "structID, mcsn, answerTime from TAV_ExamStuAnswer");

QList<ExamStuAnswerRow> readRows(TavStatement& st)
{
    QList<ExamStuAnswerRow> list;
    st.setForwardOnly();
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    TavStatement::TimeReader readTime;
    while (q.next()) {
        ExamStuAnswerRow row;
        row.id = q.value(0).toInt();
        row.examID = q.value(1).toInt();
        row.dovaneID = q.value(2).toString();
        row.answer = q.value(3).toString();
        row.subQuestionID = q.value(4).toInt();
        row.sn = q.value(5).toInt();
        row.questionID = q.value(6).toString();
        row.structID = q.value(7).toInt();
        row.mcsn = q.value(8).toInt();
        row.answerTime = readTime(q.value(9));
        list.append(row);
    }
    return list;
}
} // namespace

int TAV_ExamStuAnswer::insertExamStuAnswer(QSqlDatabase db, ExamStuAnswerRow& row)
{
    if (row.examID < 0) {
        qWarning() << "****insertExamStuAnswer: no quiz, answer not written";
        row.id = -1;
        return -1;
    }
    TavStatement st(
        db,
        QStringLiteral("insert into TAV_ExamStuAnswer (examID, dovaneID, answer, subQuestionID, sn, questionID, "
                       "structID, mcsn, answerTime, status) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    st.bind(row.examID).bind(TavStatement::text(row.dovaneID)).bind(TavStatement::text(row.answer));
    st.bind(row.subQuestionID).bind(row.sn).bind(TavStatement::text(row.questionID)).bind(row.structID);
    st.bind(row.mcsn).bind(TavStatement::optionalTime(row.answerTime)).bind(0);
    row.id = st.exec() ? st.lastInsertId() : -1;
    return row.id;
}

void TAV_ExamStuAnswer::setUploaded(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("update TAV_ExamStuAnswer set status = ? where examID = ?"));
    st.bind(1).bind(examID);
    st.exec();
}

void TAV_ExamStuAnswer::deleteByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ExamStuAnswer where examID = ?"));
    st.bind(examID);
    st.exec();
}

QList<ExamStuAnswerRow> TAV_ExamStuAnswer::selectNotUploaded(QSqlDatabase db, int examID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where status = ? and examID = ? order by id"));
    st.bind(0).bind(examID);
    return readRows(st);
}

QList<ExamStuAnswerRow> TAV_ExamStuAnswer::selectByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db, kColumns + QStringLiteral(" where examID = ? order by id"));
    st.bind(examID);
    return readRows(st);
}

TavRowCursor TAV_ExamStuAnswer::pendingOfRecord(QSqlDatabase db, int localRecordID)
{
    // The lesson's quizzes, each with its answers in id order: both through their parent index, in the order
    // those give, so nothing is sorted and stored lessons are not looked at.
    TavRowCursor rows(
        db,
        QStringLiteral("select a.id, a.examID, a.dovaneID, a.answer, a.subQuestionID, a.sn, a.questionID, "
                       "a.structID, a.mcsn, a.answerTime "
                       "from TAV_ExamInfo e inner join TAV_ExamStuAnswer a on a.examID = e.examID "
                       "where e.localRecordID = ? and a.status = ? order by e.examID, a.id"));
    rows.bind(localRecordID).bind(0);
    return rows;
}

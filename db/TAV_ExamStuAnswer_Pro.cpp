#include "TAV_ExamStuAnswer_Pro.h"

#include "TavStatement.h"

#include <QtDebug>

namespace {
ExamStuAnswerProRow readRow(const QSqlQuery& q, TavStatement::TimeReader& readTime)
{
    ExamStuAnswerProRow row;
    row.id = q.value(0).toInt();
    row.answerID = q.value(1).toInt();
    row.sequence = q.value(2).toInt();
    row.answer = q.value(3).toString();
    row.answerTime = readTime(q.value(4));
    return row;
}

// One pass over the history rows in id order, each answer found by its primary key.
const QString kPendingOfPendingAnswers
    = QStringLiteral("select p.id, p.answerID, p.sequence, p.answer, p.answerTime "
                     "from TAV_ExamStuAnswer_Pro p inner join TAV_ExamStuAnswer a on a.id = p.answerID "
                     "where p.status = ? and a.status = ? and ");

QMap<int, QList<ExamStuAnswerProRow>> readByAnswer(TavStatement& st)
{
    QMap<int, QList<ExamStuAnswerProRow>> byAnswer;
    st.setForwardOnly();
    if (!st.exec())
        return byAnswer;
    QSqlQuery& q = st.query();
    TavStatement::TimeReader readTime;
    while (q.next()) {
        const ExamStuAnswerProRow row = readRow(q, readTime);
        byAnswer[row.answerID].append(row);
    }
    return byAnswer;
}
} // namespace

bool TAV_ExamStuAnswer_Pro::insertExamStuAnswerPro(QSqlDatabase db, ExamStuAnswerProRow row)
{
    if (row.answerID < 0) {
        qWarning() << "****insertExamStuAnswerPro: no answer row, history not written";
        return false;
    }
    TavStatement st(db,
                    QStringLiteral("insert into TAV_ExamStuAnswer_Pro (answerID, sequence, answer, answerTime, status) "
                                   "values(?, ?, ?, ?, ?)"));
    st.bind(row.answerID).bind(row.sequence).bind(TavStatement::text(row.answer));
    st.bind(TavStatement::optionalTime(row.answerTime)).bind(0);
    return st.exec();
}

void TAV_ExamStuAnswer_Pro::setUploaded(QSqlDatabase db, int answerID)
{
    TavStatement st(db, QStringLiteral("update TAV_ExamStuAnswer_Pro set status = ? where answerID = ?"));
    st.bind(1).bind(answerID);
    st.exec();
}

void TAV_ExamStuAnswer_Pro::deleteByAnswer(QSqlDatabase db, int answerID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ExamStuAnswer_Pro where answerID = ?"));
    st.bind(answerID);
    st.exec();
}

QList<ExamStuAnswerProRow> TAV_ExamStuAnswer_Pro::selectNotUploaded(QSqlDatabase db, int answerID)
{
    QList<ExamStuAnswerProRow> list;
    TavStatement st(db,
                    QStringLiteral("select id, answerID, sequence, answer, answerTime from TAV_ExamStuAnswer_Pro "
                                   "where status = ? and answerID = ? order by id"));
    st.bind(0).bind(answerID);
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    TavStatement::TimeReader readTime;
    while (q.next())
        list.append(readRow(q, readTime));
    return list;
}

QMap<int, QList<ExamStuAnswerProRow>> TAV_ExamStuAnswer_Pro::selectNotUploadedByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db, kPendingOfPendingAnswers + QStringLiteral("a.examID = ? order by p.id"));
    st.bind(0).bind(0).bind(examID);
    return readByAnswer(st);
}

TavRowCursor TAV_ExamStuAnswer_Pro::pendingOfRecord(QSqlDatabase db, int localRecordID)
{
    // Quiz by quiz, answer by answer, each history in id order, all through the parent indexes: nothing is
    // sorted and stored lessons are not looked at.
    TavRowCursor rows(db,
                      QStringLiteral("select p.id, p.answerID, p.sequence, p.answer, p.answerTime "
                                     "from TAV_ExamInfo e inner join TAV_ExamStuAnswer a on a.examID = e.examID "
                                     "inner join TAV_ExamStuAnswer_Pro p on p.answerID = a.id "
                                     "where e.localRecordID = ? and a.status = ? and p.status = ? "
                                     "order by e.examID, a.id, p.id"));
    rows.bind(localRecordID).bind(0).bind(0);
    return rows;
}

void TAV_ExamStuAnswer_Pro::setUploadedByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db,
                    QStringLiteral("update TAV_ExamStuAnswer_Pro set status = ? "
                                   "where answerID in (select id from TAV_ExamStuAnswer where examID = ?)"));
    st.bind(1).bind(examID);
    st.exec();
}

void TAV_ExamStuAnswer_Pro::deleteByExam(QSqlDatabase db, int examID)
{
    TavStatement st(db,
                    QStringLiteral("delete from TAV_ExamStuAnswer_Pro "
                                   "where answerID in (select id from TAV_ExamStuAnswer where examID = ?)"));
    st.bind(examID);
    st.exec();
}

#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

// The baseline the quiz writers are measured against: the four insert statements of a saved quiz, prepared once
// on one connection and run row by row. Each call binds its values in column order and returns the new row id.
class PlainQuizInserts
{
public:
    explicit PlainQuizInserts(QSqlDatabase db)
        : m_exam(db)
        , m_student(db)
        , m_answer(db)
        , m_history(db)
    {
        m_exam.prepare(
            "insert into TAV_ExamInfo (localRecordID, startTime, endTime, paperID, status) values(?, ?, ?, ?, ?)");
        m_student.prepare("insert into TAV_ExamStuInfo (dovaneID, examID, useTime, status) values(?, ?, ?, ?)");
        m_answer.prepare("insert into TAV_ExamStuAnswer (examID, dovaneID, answer, subQuestionID, sn, questionID, "
                         "structID, mcsn, answerTime, status) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        m_history.prepare(
            "insert into TAV_ExamStuAnswer_Pro (answerID, sequence, answer, answerTime, status) values(?, ?, ?, ?, ?)");
    }

    int exam(const QVariantList& values) { return run(m_exam, values); }
    int student(const QVariantList& values) { return run(m_student, values); }
    int answer(const QVariantList& values) { return run(m_answer, values); }
    int history(const QVariantList& values) { return run(m_history, values); }

private:
    static int run(QSqlQuery& query, const QVariantList& values)
    {
        for (const QVariant& v : values)
            query.addBindValue(v);
        query.exec();
        return query.lastInsertId().toInt();
    }

    QSqlQuery m_exam;
    QSqlQuery m_student;
    QSqlQuery m_answer;
    QSqlQuery m_history;
};

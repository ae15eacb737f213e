#pragma once

#include "ExamStuAnswerRow.h"
#include "Singleton.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>

// Table TAV_ExamStuAnswer: a student's final answer to one answer item of a quiz.
class TAV_ExamStuAnswer : public QObject
{
public:
    static TAV_ExamStuAnswer* getInstance() { return TavSingleton<TAV_ExamStuAnswer>::instance(); }

    // Returns the new id (the answerID of the answer's history), also written into row.id; -1 in both on
    // failure or when the quiz id is -1. answerTime is "yyyy-MM-dd HH:mm:ss"; empty stores NULL.
    int insertExamStuAnswer(QSqlDatabase db, ExamStuAnswerRow& row);
    void setUploaded(QSqlDatabase db, int examID);
    void deleteByExam(QSqlDatabase db, int examID);
    QList<ExamStuAnswerRow> selectNotUploaded(QSqlDatabase db, int examID);
    // Per quiz of the lesson record, what selectNotUploaded(quiz id) gives, in the same order, in one statement
    // (the table has no index on examID). Quizzes without such rows have no entry.
    QMap<int, QList<ExamStuAnswerRow>> selectNotUploadedByRecord(QSqlDatabase db, int localRecordID);
    QList<ExamStuAnswerRow> selectByExam(QSqlDatabase db, int examID);

private:
    friend class TavSingleton<TAV_ExamStuAnswer>;
    TAV_ExamStuAnswer() = default;
};

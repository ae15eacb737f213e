#pragma once

#include "ExamStuAnswerRow.h"
#include "Singleton.h"
#include "TavRowCursor.h"

#include <QList>
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
    // What selectNotUploaded gives for each quiz of the lesson record, quiz by quiz, in one statement, as rows of
    // a cursor with the columns of Pending.
    struct Pending
    {
        enum Column { Id, ExamID, DovaneID, Answer, SubQuestionID, Sn, QuestionID, StructID, Mcsn, AnswerTime };
    };
    TavRowCursor pendingOfRecord(QSqlDatabase db, int localRecordID);
    QList<ExamStuAnswerRow> selectByExam(QSqlDatabase db, int examID);

private:
    friend class TavSingleton<TAV_ExamStuAnswer>;
    TAV_ExamStuAnswer() = default;
};

#pragma once

#include <QString>

// One row of TAV_ExamStuAnswer: a student's final answer to one answer item. answerTime is
// "yyyy-MM-dd HH:mm:ss" or empty.
struct ExamStuAnswerRow
{
    int id = 0;
    int examID = 0;
    QString dovaneID;
    QString answer;
    int subQuestionID = 0;
    int sn = 0;
    QString questionID;
    int structID = 0;
    int mcsn = 0;
    QString answerTime;
};

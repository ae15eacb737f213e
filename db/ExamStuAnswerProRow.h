#pragma once

#include <QString>

// One row of TAV_ExamStuAnswer_Pro: one entry of the history behind an answer row.
struct ExamStuAnswerProRow
{
    int id = 0;
    int answerID = 0;
    int sequence = 0;
    QString answer;
    QString answerTime;
};

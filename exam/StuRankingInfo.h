#pragma once

#include <QString>

// One student's result in a quiz.
struct StuRankingInfo
{
    QString name;
    int score = 0; // in the paper's unit (hundredths)
    int usedTime = 0; // seconds; 86400 when none was recorded
    int answeredCount = 0;
    int unansweredCount = 0;
    int rightCount = 0;
};

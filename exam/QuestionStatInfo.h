#pragma once

#include <QString>

// How the class answered one answer item.
struct QuestionStatInfo
{
    int number = 0; // item index + 1
    QString sectionNumeral; // structID in Chinese numerals
    QString sectionName;
    int answeredCount = 0;
    int rightCount = 0;
    int wrongCount = 0;
    int unansweredCount = 0;
};

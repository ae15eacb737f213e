#pragma once

#include <QString>

// One question of a paper with its two pictures, which lie in the program directory's "PaperData" folder.
struct QuestionDetailRecord
{
    QString questionID;
    QString questionUrl;
    QString resolveUrl;
    QString questionFile; // questionID + "Text." + extension
    QString resolveFile; // questionID + "Resolve." + extension
    int subQuestions = 0; // number of answer items
    QString questionAnswer; // right answers of the items, separated by "|"
};

#pragma once

#include <QString>

// One answer item of a paper: one keypad answer, one sub-question of a question. Its answer sits at item
// index mcsn - 1 of every student's answer record.
struct QuestionRecord
{
    QString relationID;
    QString paperID;
    QString questionID;
    int subQuestionID = 0; // 1-based within its question
    int structID = 0;
    int sn = 0; // number of the question as shown to the class
    int scores = 0; // points for a right answer, in the paper's unit (hundredths)
    QString rightAnswer; // a right answer equals it character for character
    int mcsn = 0; // 1-based within the paper
};

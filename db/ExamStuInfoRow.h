#pragma once

#include <QString>

// One row of TAV_ExamStuInfo: the seconds a student used in a quiz.
struct ExamStuInfoRow
{
    QString dovaneID;
    int examID = 0;
    int useTime = 0;
};

#pragma once

#include <QString>

// One row of TAV_ExamInfo: a quiz held in a lesson record.
struct ExamInfoRow
{
    int examID = 0;
    int localRecordID = 0;
    QString startTime;
    QString endTime;
    QString paperID;
    int status = 0;
};

#pragma once

#include <QString>

// One row of TAV_ClassRecord: a lesson record. localRecordID -1 means none is open.
struct ClassRecordRow
{
    int localRecordID = 0;
    QString UUID;
    QString recordName;
    QString creator;
    int classID = 0;
    int subjectID = 0;
    QString startTime;
    QString endTime;
    bool status = false;
    bool classStatus = false;
    QString stationSn;
    QString createDate;
    bool statistic = false;
    QString extra;
};

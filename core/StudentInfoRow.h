#pragma once

#include <QString>

// One row of TAV_StudentInfo.
struct StudentInfoRow
{
    QString dovaneID;
    int classID = 0;
    QString name;
    QString sn;
    QString stationSn;
};

#pragma once

#include <QString>

// One row of TAV_ClassInfo.
struct ClassInfoRow
{
    int classID = 0;
    int phase = 0;
    int grade = 0;
    int classNum = 0;
    QString className;
    QString stationSn;
    int row = 0;
    int col = 0;
};

#pragma once

#include <QString>

// One row of TAV_SignInfo. signID -1 means no sign-in.
struct SignInfoRow
{
    int signID = -1;
    int localRecordID = 0;
    QString startTime;
    QString endTime;
    QString createDate;
    bool status = false;
    QString stationSn;
};

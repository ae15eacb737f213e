#pragma once

#include <QString>

// One row of TAV_InteractInfo. An answer of "-1" means the teacher has not set the right answer yet.
struct InteractInfoRow
{
    int interactID = -1;
    int localRecordID = 0;
    int answerType = 0;
    QString startTime;
    QString endTime;
    QString answer = QStringLiteral("-1");
    bool status = false;
    QString createDate;
    QString stationSn;
};

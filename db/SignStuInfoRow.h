#pragma once

#include <QString>

// One row of TAV_SignStuInfo: a student signed in during a sign-in.
struct SignStuInfoRow
{
    int stuSignID = 0;
    int signID = 0;
    QString dovaneID;
    QString createDate;
    bool status = false;
};

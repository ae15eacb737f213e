#pragma once

#include <QString>

// One row of TAV_StuResult: one student's result in an interaction.
struct StuResultRow
{
    int stuResultID = 0;
    int interactID = 0;
    QString dovaneID;
    QString createDate;
    QString result;
    bool status = false;
};

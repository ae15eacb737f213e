#pragma once

#include <QString>

// One row of TAV_SubjectInfo.
struct SubjectInfoRow
{
    int subjectID = 0;
    QString subjectName;
};

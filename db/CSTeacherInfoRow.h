#pragma once

#include <QString>

// One row of TAV_CSTeacherInfo: a teacher teaches a subject in a class.
struct CSTeacherInfoRow
{
    QString username;
    int classID = 0;
    int subjectID = 0;
};

#pragma once

#include <QString>

// One row of TAV_TeacherInfo.
struct TeacherInfoRow
{
    QString username;
    QString password;
    QString name;
    QString mobile;
    QString email;
    QString avatar;
    QString loginDate;
};

#pragma once

#include <QMetaType>
#include <QString>

// One teacher-remote key by name ("power", "mode", "question", "up", "down", "ok", "start/pause", "stop",
// "report", "result", "f1"); other texts pass through unchanged.
struct TeacherInfo
{
    QString data;
};

Q_DECLARE_METATYPE(TeacherInfo)

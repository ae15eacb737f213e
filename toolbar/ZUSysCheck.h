#pragma once

#include "Singleton.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Tidies the local data each time the tool bar is shown after a login: a lesson record an earlier run
// left open, teachers who have not logged in for more than ten days, the downloaded quiz pictures.
class ZUSysCheck : public QObject
{
public:
    static ZUSysCheck* getInstance() { return TavSingleton<ZUSysCheck>::instance(); }

    // A record left open stays open only for its own teacher and only this long.
    static constexpr int kKeepRecordHours = 2;
    // Teachers whose last online login is older than this many days lose their local data.
    static constexpr int kKeepTeacherDays = 10;

    void checkout();
    void closeDanglingRecord(QSqlDatabase db);
    void __checkTeacher(QSqlDatabase db);
    void __clearData(QSqlDatabase db, const QString& username);
    // Empties the folder "PaperData" of the program directory and keeps it: the quiz writes its
    // pictures into it and does not create it.
    void clearPaperData();

private:
    friend class TavSingleton<ZUSysCheck>;
    ZUSysCheck() = default;
};

#pragma once

#include "Singleton.h"
#include "TeacherInfoRow.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_TeacherInfo: teachers who have logged in on this PC, for the offline login.
class TAV_TeacherInfo : public QObject
{
public:
    static TAV_TeacherInfo* getInstance() { return TavSingleton<TAV_TeacherInfo>::instance(); }

    // Account is a user name or a mobile number; on success the teacher becomes the current teacher.
    bool offlineLogin(QSqlDatabase db, QString account, QString password);
    void setLoginDate(QSqlDatabase db, QString username, QDateTime loginDate);
    void deleteByUser(QSqlDatabase db, QString username);
    // Updates or inserts the teacher (the login date stays) and makes it the current teacher.
    void saveTeacher(QSqlDatabase db, TeacherInfoRow teacher);
    // The same without the teacher state, for a thread that stores a login beside the interface; true when
    // the row went in.
    bool storeTeacher(QSqlDatabase db, const TeacherInfoRow& teacher);
    QList<TeacherInfoRow> selectAll(QSqlDatabase db);

private:
    friend class TavSingleton<TAV_TeacherInfo>;
    TAV_TeacherInfo() = default;
};

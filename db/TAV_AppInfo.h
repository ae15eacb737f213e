#pragma once

#include "Singleton.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_AppInfo: the single application row '0' (installed version, saved login, last class).
// Each setter also updates its copy in the teacher state once the statement has succeeded.
class TAV_AppInfo : public QObject
{
public:
    static TAV_AppInfo* getInstance() { return TavSingleton<TAV_AppInfo>::instance(); }

    QString selectVersion(QSqlDatabase db);
    // 0 when there is no row, -1 on failure.
    int selectAutoLogin(QSqlDatabase db);
    QString selectLoginUserName(QSqlDatabase db);
    QString selectPassword(QSqlDatabase db);
    // -1 when there is no row or on failure.
    int selectLastClass(QSqlDatabase db);

    void setLoginUserName(QSqlDatabase db, QString loginUserName);
    void setPassword(QSqlDatabase db, QString password);
    void setLastClass(QSqlDatabase db, int lastClass);
    void setAutoLogin(QSqlDatabase db, int autoLogin);
    void setUserName(QSqlDatabase db, QString userName);

    // The columns only, the teacher state left to the caller, for a thread that stores a login beside the
    // interface; true when the row was written.
    bool storeUserName(QSqlDatabase db, const QString& userName);
    // Login user name, password and auto-login flag in one statement.
    bool storeLogin(QSqlDatabase db, int autoLogin, const QString& loginUserName, const QString& password);

    // Version, auto-login flag, login user name, password and last class into the teacher state.
    void loadAll(QSqlDatabase db);

private:
    friend class TavSingleton<TAV_AppInfo>;
    TAV_AppInfo() = default;

    bool setColumn(QSqlDatabase db, const QString& sql, const QVariant& value);
};

#include "TAV_AppInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

namespace {
const QString kAppID = QStringLiteral("0");
}

QString TAV_AppInfo::selectVersion(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select version from TAV_AppInfo"));
    if (!st.exec() || !st.query().last())
        return QString();
    return st.query().value(0).toString();
}

int TAV_AppInfo::selectAutoLogin(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select autologin from TAV_AppInfo  where appID = ?"));
    st.bind(kAppID);
    if (!st.exec(TavStatement::ErrorOnly))
        return -1;
    return st.query().last() ? st.query().value(0).toInt() : 0;
}

QString TAV_AppInfo::selectLoginUserName(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select loginusername from TAV_AppInfo where appID = ?"));
    st.bind(kAppID);
    if (!st.exec(TavStatement::ErrorOnly) || !st.query().last())
        return QString();
    return st.query().value(0).toString();
}

QString TAV_AppInfo::selectPassword(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select password from TAV_AppInfo where appID = ?"));
    st.bind(kAppID);
    if (!st.exec(TavStatement::ErrorOnly) || !st.query().last())
        return QString();
    return st.query().value(0).toString();
}

int TAV_AppInfo::selectLastClass(QSqlDatabase db)
{
    TavStatement st(db, QStringLiteral("select lastclass from TAV_AppInfo"));
    if (!st.exec() || !st.query().last())
        return -1;
    return st.query().value(0).toInt();
}

bool TAV_AppInfo::setColumn(QSqlDatabase db, const QString& sql, const QVariant& value)
{
    TavStatement st(db, sql);
    st.bind(value);
    return st.exec();
}

void TAV_AppInfo::setLoginUserName(QSqlDatabase db, QString loginUserName)
{
    if (setColumn(db, QStringLiteral("update TAV_AppInfo set loginusername = ?"), TavStatement::text(loginUserName)))
        TAVMemInfo::getInstance()->loginUserName = loginUserName;
}

void TAV_AppInfo::setPassword(QSqlDatabase db, QString password)
{
    if (setColumn(db, QStringLiteral("update TAV_AppInfo set password = ?"), TavStatement::text(password)))
        TAVMemInfo::getInstance()->password = password;
}

void TAV_AppInfo::setLastClass(QSqlDatabase db, int lastClass)
{
    if (setColumn(db, QStringLiteral("update TAV_AppInfo set lastclass = ?"), lastClass))
        TAVMemInfo::getInstance()->lastClass = lastClass;
}

void TAV_AppInfo::setAutoLogin(QSqlDatabase db, int autoLogin)
{
    if (setColumn(db, QStringLiteral("update TAV_AppInfo set autologin = ?"), QString::number(autoLogin)))
        TAVMemInfo::getInstance()->autoLogin = autoLogin != 0;
}

void TAV_AppInfo::setUserName(QSqlDatabase db, QString userName)
{
    if (storeUserName(db, userName))
        TAVMemInfo::getInstance()->userName = userName;
}

bool TAV_AppInfo::storeUserName(QSqlDatabase db, const QString& userName)
{
    return setColumn(db, QStringLiteral("update TAV_AppInfo set username = ?"), TavStatement::text(userName));
}

bool TAV_AppInfo::storeLogin(QSqlDatabase db, int autoLogin, const QString& loginUserName, const QString& password)
{
    TavStatement st(db, QStringLiteral("update TAV_AppInfo set loginusername = ?, password = ?, autologin = ?"));
    st.bind(TavStatement::text(loginUserName)).bind(TavStatement::text(password)).bind(QString::number(autoLogin));
    return st.exec();
}

void TAV_AppInfo::loadAll(QSqlDatabase db)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const QString version = selectVersion(db);
    // The stored version is the installed one; the tool bar shows it until the version check runs.
    mem->appVersion = version;
    mem->version = version;
    mem->autoLogin = selectAutoLogin(db) != 0;
    mem->loginUserName = selectLoginUserName(db);
    mem->password = selectPassword(db);
    mem->lastClass = selectLastClass(db);
}

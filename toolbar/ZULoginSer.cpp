#include "ZULoginSer.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TAV_AppInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_TeacherInfo.h"
#include "TavShortWrite.h"
#include "Upload.h"
#include "ZULoginStore.h"

#include <QDateTime>
#include <QDebug>
#include <QTimer>

void ZULoginSer::readSavedLogin(int& autologin, QString& username, QString& password)
{
    // Read while the database file may still be read through at start-up.
    QSqlDatabase db = TAVDatabase::getInstance()->getReadDbCon();
    TAV_AppInfo* app = TAV_AppInfo::getInstance();
    autologin = app->selectAutoLogin(db);
    username = app->selectLoginUserName(db);
    password = app->selectPassword(db);
    TAVDatabase::getInstance()->closeDbCon(db);
}

void ZULoginSer::saveLogin(int autologin, const QString& username, const QString& password)
{
    // A login saved anew takes the place of one still waiting to be forgotten.
    if (m_forgetAgain)
        m_forgetAgain->stop();
    m_forgetWaits = TavWriteCause::None;
    const QString cause = ZULoginStore::getInstance()->saveLogin(autologin, username, password);
    if (!cause.isEmpty()) {
        if (m_notStored.isEmpty())
            m_notStored = cause;
        return;
    }
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->loginUserName = username;
    mem->password = password;
    mem->autoLogin = autologin != 0;
}

void ZULoginSer::clearLogin()
{
    if (!m_forgetAgain) {
        m_forgetAgain = new QTimer(this);
        m_forgetAgain->setInterval(kForgetAgainMs);
        connect(m_forgetAgain, &QTimer::timeout, this, [this] { forgetLogin(); });
    }
    forgetLogin();
}

void ZULoginSer::forgetLogin()
{
    TavShortWrite write(kForgetBusyMs);
    if (write.db().isValid()) {
        TAV_AppInfo* app = TAV_AppInfo::getInstance();
        app->setLoginUserName(write.db(), QString(""));
        app->setPassword(write.db(), QString(""));
        app->setLastClass(write.db(), 0);
        app->setAutoLogin(write.db(), 0);
    }
    if (write.commit()) {
        m_forgetWaits = TavWriteCause::None;
        m_forgetAgain->stop();
        return;
    }
    m_forgetWaits = write.cause() == TavWriteCause::None ? TavWriteCause::Other : write.cause();
    if (!m_forgetAgain->isActive())
        qWarning().noquote() << "****the saved login is forgotten once the database file can be written: "
                + TavWriteCause::text(m_forgetWaits);
    m_forgetAgain->start();
}

bool ZULoginSer::checkOfflineLogin(const QString& username, const QString& password)
{
    // The login date of the online try goes in first.
    ZULoginStore* store = ZULoginStore::getInstance();
    store->finish();
    store->dropClasses();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const bool ok = TAV_TeacherInfo::getInstance()->offlineLogin(db, username, password);
    if (ok)
        TAV_ClassInfo::getInstance()->loadByUser(db, mem->currentTeacher.username);
    TAVDatabase::getInstance()->closeDbCon(db);
    // A large school's students are read beside the dialog, for the tool bar's first class.
    if (ok)
        store->prepareStoredClasses(mem->currentTeacher.username, mem->classMap.keys());
    return ok;
}

QString ZULoginSer::errorText(const QString& errorCode) const
{
    if (errorCode == QLatin1String("TAV-1") || errorCode == QLatin1String("TAV-2"))
        return tr("用户名或密码错误");
    if (errorCode == QLatin1String("TAV-3"))
        return tr("请使用教师帐号登录");
    return tr("服务器异常");
}

bool ZULoginSer::loadClassOfLogin(int classID, const QString& username)
{
    ZULoginStore* store = ZULoginStore::getInstance();
    ZULoginStore::ClassLoad load;
    if (!store->takeClass(classID, username, &load))
        return false;
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentClass = load.classRow;
    mem->snMap.swap(load.snMap);
    mem->studentMap.swap(load.studentMap);
    mem->studentList.swap(load.studentList);
    mem->subjectList.swap(load.subjects);
    // The class shown before, which a large school makes long to free.
    store->dispose(std::move(load));
    return true;
}

int ZULoginSer::onLineLogin(const QString& username, const QString& password, QString& errorText)
{
    qDebug() << "enter onLineLogin";
    m_notStored.clear();
    ZULoginStore* store = ZULoginStore::getInstance();

    // Written on the store's thread while the request is under way: no transaction stays open on the interface
    // thread while the service is waited for.
    qDebug() << "update loginTime";
    store->keepLoginDate(username, QDateTime::currentDateTime());

    // Signed over the plain values, sent escaped: "+", "&" and "%" in a name would arrive as something else.
    const QString sign = TAVNetEvent::sign(QString("username=%1&password=%2").arg(username, password));
    const QByteArray body = ("username=" + Upload::encodeFormValue(username)
                             + "&password=" + Upload::encodeFormValue(password) + "&sign=" + sign)
                                .toUtf8();

    qDebug() << "send login msg to server";
    QByteArray reply;
    const int code = TAVNetEvent::getInstance()->post("/tav/fastenMachine/tokenLogin", body, reply, kLoginTimeoutMs);
    qDebug().noquote() << "the res code is: " + QString::number(code);

    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const auto serverError = [&](const QString& why) {
        qWarning().noquote() << "****login reply refused: " + why;
        errorText = this->errorText(QString());
        return Refused;
    };
    if (code == TAVNetEvent::ReplyTooLarge)
        return serverError("too large");
    if (code != 200) {
        mem->onlineFlag = false;
        return Unreachable;
    }

    // A large school's reply is read on the store's thread, the dialog alive meanwhile.
    qDebug() << "parse server res msg";
    const ZULoginStore::Reply res = store->takeReply(reply, password);
    if (res.errorCode == QLatin1String("500"))
        return Unreachable;
    if (res.success) {
        if (!res.problem.isEmpty())
            return serverError(res.problem);
        // Logged in from the reply, also when the file did not take it.
        m_notStored = res.notStored;
        mem->currentTeacher = res.teacher;
        mem->userName = res.teacher.username;
        mem->classMap.clear();
        for (const ClassInfoRow& row : res.classes)
            mem->classMap.insert(row.classID, row);
        mem->onlineFlag = true;
        return LoggedIn;
    }
    qDebug() << "online login fail";
    errorText = this->errorText(res.errorCode);
    return Refused;
}

#pragma once

#include "Singleton.h"
#include "TavWriteCause.h"

#include <QObject>
#include <QString>

class QTimer;

// Work behind the login dialog: the saved "自动登录" login, the online login against the web service
// and the offline check against the copy of an earlier login. Passwords are only ever MD5 texts here.
class ZULoginSer : public QObject
{
public:
    // Results of onLineLogin.
    enum LoginResult { LoggedIn = 0, Unreachable = 1, Refused = 2 };

    static ZULoginSer* getInstance() { return TavSingleton<ZULoginSer>::instance(); }

    static constexpr int kLoginTimeoutMs = 10000;
    static constexpr int kForgetAgainMs = 1000;
    // The log-out waits this long for another program holding the file, after the lesson's close waited its
    // moment: it tries again each second anyway.
    static constexpr int kForgetBusyMs = 20;

    void readSavedLogin(int& autologin, QString& username, QString& password);
    // Stored on the login store's thread; the caller's event loop turns meanwhile.
    void saveLogin(int autologin, const QString& username, const QString& password);
    // Forgets the saved login, waiting a moment at most for another program holding the file; while the file
    // refuses, it is tried again each second until it goes in or a login is saved anew.
    void clearLogin();
    // Why the saved login still waits to be forgotten; None once it is.
    TavWriteCause::Cause forgetWaits() const { return m_forgetWaits; }
    bool checkOfflineLogin(const QString& username, const QString& password);
    QString errorText(const QString& errorCode) const;
    // A reply that is too large, or whose payload fails TAVDataParse::checkLoginData, is a server error: Refused
    // with "服务器异常", and neither the tables nor the teacher state change. The reply is read and stored on
    // the login store's thread, the caller's event loop turning meanwhile (user input aside). A payload that the
    // file does not take (another program holds it, the disk is full) logs the teacher in all the same, for this
    // run: notStored() says why, and the next online login stores it.
    int onLineLogin(const QString& username, const QString& password, QString& errorText);
    // Why the last online login's payload or its saved login is not in the file, in words for the teacher; empty
    // when both are.
    QString notStored() const { return m_notStored; }
    // The tool bar's first class after a login, into the teacher state as the login made it ready beside the
    // interface (from the reply, or from the file after an offline login); false when there is none ready for it
    // (the class is then read from the file).
    bool loadClassOfLogin(int classID, const QString& username);

private:
    friend class TavSingleton<ZULoginSer>;
    ZULoginSer() = default;

    QString m_notStored;

    void forgetLogin();

    TavWriteCause::Cause m_forgetWaits = TavWriteCause::None;
    QTimer* m_forgetAgain = nullptr;
};

// The login dialog and the login service behind it.
#include "ToolbarTestSupport.h"

#include "HeldFileOpens.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "Rf21xSimulator.h"
#include "TAVDatabase.h"
#include "TAVNetManager.h"
#include "WindowInput.h"
#include "ZULoginDlg.h"
#include "ZURf228Api.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;

const QString kLoginPath = QStringLiteral("/tav/fastenMachine/tokenLogin");

class TestZULoginDlg : public QObject
{
    Q_OBJECT

    TavWebService m_service;
    ZULoginDlg* m_dlg = nullptr;

    QLineEdit* edit(const char* name) const { return m_dlg->findChild<QLineEdit*>(name); }
    QCheckBox* autoLogin() const { return m_dlg->findChild<QCheckBox*>("autoLoginCheckBox"); }
    QWidget* toolBar() const { return ZUToolBarDlg::getInstance(); }

    void login(const QString& user, const QString& password)
    {
        edit("UserNameLineEdit")->setText(user);
        edit("PasswordLineEdit")->setText(password);
        QTest::keyClick(m_dlg, Qt::Key_Return);
    }

    QStringList savedLogin() const
    {
        int autologin = -1;
        QString user, password;
        ZULoginSer::getInstance()->readSavedLogin(autologin, user, password);
        return { QString::number(autologin), user, password };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(startDemoService(m_service));
        m_dlg = new ZULoginDlg();
        m_dlg->setQuitHandler([](int) {});
    }

    void init()
    {
        QVERIFY(freshStart(m_service));
        m_dlg->clearLoginStartInput();
        edit("UserNameLineEdit")->clear();
        m_dlg->show();
    }

    void cleanup()
    {
        HeldFileOpens::release();
        m_dlg->setQuitHandler([](int) {});
        QVERIFY(dialogsAnswered());
        toolBar()->hide();
    }

    void onlineLoginSavesAndLogoutClears_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("atStart");
        QTest::newRow("自动登录 checked") << true << false;
        QTest::newRow("自动登录 unchecked") << false << false;
        QTest::newRow("automatic login at the next start") << true << true;
    }

    void onlineLoginSavesAndLogoutClears()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, atStart);
        if (atStart) {
            ZULoginSer::getInstance()->saveLogin(1, kTeacher, kPasswordMd5);
            m_dlg->startUp();
        } else {
            autoLogin()->setChecked(automatic);
            login(kTeacher, kPassword);
        }
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), 1);
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(toolBar()->isVisible());
        QCOMPARE(toolBar()->findChild<QLabel*>("teacherLabel")->text(), QString("欢迎您，王明老师"));
        QCOMPARE(savedLogin(), QStringList({ automatic ? "1" : "0", kTeacher, kPasswordMd5 }));
        QVERIFY(TAVMemInfo::getInstance()->onlineFlag);
        QCOMPARE(TAVMemInfo::getInstance()->classMap.keys(), QList<int>({ 101, 102 }));
        QCOMPARE(committedValue("select count(*) from TAV_ClassInfo where stationSn = ?", { kStation }).toInt(), 2);
        QCOMPARE(committedValue("select count(*) from TAV_StudentInfo where classID = 101").toInt(), 10);

        QVERIFY(DbTestSupport::runOutside("update TAV_AppInfo set lastclass = 101"));
        toolBar()->findChild<QAbstractButton*>("logoutBtn")->click();
        QVERIFY(!toolBar()->isVisible());
        QVERIFY(m_dlg->isVisible() && m_dlg->inputPanelVisible());
        QCOMPARE(edit("UserNameLineEdit")->text(), QString(kTeacher));
        QVERIFY(edit("PasswordLineEdit")->text().isEmpty());
        QVERIFY(!autoLogin()->isChecked());
        QCOMPARE(savedLogin(), QStringList({ "0", "", "" }));
        QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toInt(), 0);
    }

    void refusedLoginShowsText_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        auto row = [](const char* tag, const QString& user, const QString& password, const QString& code,
                      const QString& text) { QTest::newRow(tag) << user << password << code << text; };
        row("no user name", "", "x", "", "请输入用户名!");
        row("no password", kTeacher, "", "", "请输入密码!");
        // No code set: the service's own answer to a wrong password.
        row("wrong password", kTeacher, "wrong", "", "用户名或密码错误");
        row("TAV-1", kTeacher, kPassword, "TAV-1", "用户名或密码错误");
        row("TAV-2", kTeacher, kPassword, "TAV-2", "用户名或密码错误");
        row("TAV-3", kTeacher, kPassword, "TAV-3", "请使用教师帐号登录");
        row("code in other case", kTeacher, kPassword, "tav-1", "服务器异常");
        row("unknown code", kTeacher, kPassword, "TAV-9", "服务器异常");
    }

    void refusedLoginShowsText()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, code);
        QFETCH(QString, text);
        if (!code.isEmpty())
            m_service.setFailure(kLoginPath, WebFailure::Refuse, code);
        login(user, password);
        QCOMPARE(m_dlg->errorText(), text);
        QVERIFY(m_dlg->inputPanelVisible());
        QVERIFY(!toolBar()->isVisible());
        QVERIFY(TAVMemInfo::getInstance()->currentTeacher.username.isEmpty());
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), user.isEmpty() || password.isEmpty() ? 0 : 1);
        // Typing clears the text.
        QTest::keyClick(edit("PasswordLineEdit"), Qt::Key_A);
        QVERIFY(m_dlg->errorText().isEmpty());
    }

    void offlineQuestion_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("error");
        const int down = -1, yes = ZUTipDlg::Yes;
        QTest::newRow("server down, mobile, yes") << down << kMobile << kPassword << yes << "";
        QTest::newRow("server down, user name, yes") << down << kTeacher << kPassword << yes << "";
        QTest::newRow("server down, no") << down << kMobile << kPassword << int(ZUTipDlg::No) << "";
        QTest::newRow("server down, wrong password") << down << kMobile << "wrong" << yes << "登录失败！请联网后重试！";
        QTest::newRow("HTTP 500") << int(WebFailure::Http500) << kMobile << kPassword << yes << "";
        QTest::newRow("not JSON") << int(WebFailure::NotJson) << kMobile << kPassword << yes << "";
    }

    void offlineQuestion()
    {
        QFETCH(int, failure);
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, answer);
        QFETCH(QString, error);
        QVERIFY(loginDemoTeacher());
        ZULoginSer::getInstance()->saveLogin(0, "earlier", "saved");
        resetTeacherState();
        if (failure < 0)
            QVERIFY(useUnreachableServer());
        else
            m_service.setFailure(kLoginPath, WebFailure(failure));

        DialogAnswerer::answerNextTipDlg(answer);
        login(account, password);
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("服务器连接失败,是否使用离线方式登录?"));
        const bool loggedIn = answer == ZUTipDlg::Yes && error.isEmpty();
        QCOMPARE(toolBar()->isVisible(), loggedIn);
        QCOMPARE(m_dlg->inputPanelVisible(), !loggedIn);
        QCOMPARE(m_dlg->errorText(), error);
        QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
        QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.username, loggedIn ? QString(kTeacher) : QString());
        QCOMPARE(TAVMemInfo::getInstance()->classMap.size(), loggedIn ? 2 : 0);
        // An offline login saves nothing.
        QCOMPARE(savedLogin(), QStringList({ "0", "earlier", "saved" }));
    }

    // A stale saved password with the server down: the name and the check box stay for the next try.
    void failedAutomaticLoginKeepsNameAndCheck()
    {
        ZULoginSer::getInstance()->saveLogin(1, kTeacher, "stale");
        QVERIFY(useUnreachableServer());
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
        m_dlg->startUp();
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QVERIFY(!toolBar()->isVisible());
        QVERIFY(m_dlg->inputPanelVisible());
        QCOMPARE(edit("UserNameLineEdit")->text(), QString(kTeacher));
        QVERIFY(autoLogin()->isChecked());
    }

    // Replies a broken or hostile server may send: a server error, and nothing of an earlier login changes.
    void hostileReplyIsServerError_data()
    {
        QTest::addColumn<QString>("member"); // reshaped in the normal reply; empty: an oversized body instead
        QTest::addColumn<QJsonValue>("value");
        auto row = [](const char* tag, const char* member, const QJsonValue& value) {
            QTest::newRow(tag) << QString(member) << value;
        };
        row("result a list", "result", QJsonArray());
        row("result null", "result", QJsonValue::Null);
        row("no usernameMap", "result/usernameMap", QJsonValue(QJsonValue::Undefined));
        row("empty user name", "result/usernameMap/userName", "");
        row("student list an object", "result/classes/0/stuInfoList", QJsonObject());
        // Far over any name, and small enough to come within the login's ten seconds on a starved machine.
        row("teacher name of 1 MB", "result/usernameMap/teaName", QString(1024 * 1024, 'x'));
        row("body above the cap", "", QJsonValue());
    }

    void hostileReplyIsServerError()
    {
        QFETCH(QString, member);
        QFETCH(QJsonValue, value);
        QVERIFY(loginDemoTeacher());
        ZULoginSer::getInstance()->saveLogin(1, kTeacher, kPasswordMd5);
        resetTeacherState();
        if (member.isEmpty())
            m_service.setOversizedReply(kLoginPath, TAVNetManager::kMaxReplyBytes + 1);
        else
            m_service.reshapeReply(kLoginPath, member, value);

        login(kTeacher, kPassword);
        QCOMPARE(m_dlg->errorText(), QString("服务器异常"));
        QVERIFY(m_dlg->inputPanelVisible());
        QVERIFY(!toolBar()->isVisible());
        QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
        QVERIFY(TAVMemInfo::getInstance()->currentTeacher.username.isEmpty());
        QCOMPARE(savedLogin(), QStringList({ "1", kTeacher, kPasswordMd5 }));
        QCOMPARE(committedValue("select name from TAV_TeacherInfo").toString(), QString("王明"));
        QCOMPARE(committedValue("select count(*) from TAV_StudentInfo").toInt(), 18);
        QCOMPARE(committedValue("select count(*) from TAV_CSTeacherInfo").toInt(), 3);
    }

    // Form characters in a user name reach the service as typed; the sign covers the plain text.
    void userNameArrivesAsTyped_data()
    {
        QTest::addColumn<QString>("user");
        for (const char* user : { "a+b", "a&b", "100%", "a=b", "a%26b", "王 老师" })
            QTest::newRow(user) << QString::fromUtf8(user);
    }

    void userNameArrivesAsTyped()
    {
        QFETCH(QString, user);
        const QJsonObject demo = m_service.data();
        m_service.setData(TavWebService::reshaped(demo, "teachers/0/userName", user));
        login(user, kPassword);
        m_service.setData(demo);
        const QList<WebRequest> sent = m_service.requestsTo(kLoginPath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().param("username"), user);
        QVERIFY(sent.first().signOk);
        QVERIFY(toolBar()->isVisible());
        QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.username, user);
    }

    // The service gets the password text as given, also where it holds form characters; the sign covers it.
    void passwordArrivesAsGiven_data()
    {
        QTest::addColumn<QString>("password");
        for (const QString& password : { QString("a&b"), QString("a+b"), QString("100%"), kPasswordMd5 })
            QTest::newRow(qPrintable(password)) << password;
    }

    void passwordArrivesAsGiven()
    {
        QFETCH(QString, password);
        QString error;
        ZULoginSer::getInstance()->onLineLogin(kTeacher, password, error);
        const QList<WebRequest> sent = m_service.requestsTo(kLoginPath);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().param("password"), password);
        QVERIFY(sent.first().signOk);
    }

    void loginWaitsTenSeconds()
    {
        QSignalSpy sent(TAVNetManager::getInstance(), &TAVNetManager::requestStarted);
        login(kTeacher, kPassword);
        QVERIFY(toolBar()->isVisible());
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().at(0).toUrl().path(), kLoginPath);
        QCOMPARE(sent.first().at(1).toInt(), 10000);
    }

    // The progress animation costs a frame timer only while someone can see it.
    void progressAnimationRunsOnlyWhileShown()
    {
        QMovie* movie = m_dlg->findChild<QLabel*>("progressAnimation")->movie();
        QVERIFY(movie);
        m_dlg->showInputPanel();
        QCOMPARE(movie->state(), QMovie::NotRunning);
        m_dlg->showProgressPanel();
        QCOMPARE(movie->state(), QMovie::Running);
        m_dlg->hide();
        QCOMPARE(movie->state(), QMovie::NotRunning);
    }

    // A school of 100,000 students logs in in seconds, the progress animation going on meanwhile.
    // The file takes its while to be read through (a term's lessons not yet uploaded, a slow disk): the login,
    // automatic or clicked, waits for the read-through's verdict with the dialog alive, and goes on when it comes;
    // the dialog's × ends the program meanwhile and no login follows.
    void loginWaitsForTheReadThroughWithTheDialogAlive_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("closed");
        QTest::newRow("automatic login") << true << false;
        QTest::newRow("login clicked") << false << false;
        QTest::newRow("automatic login, × clicked meanwhile") << true << true;
    }

    void loginWaitsForTheReadThroughWithTheDialogAlive()
    {
        QFETCH(bool, automatic);
        QFETCH(bool, closed);
        ZULoginSer::getInstance()->saveLogin(automatic ? 1 : 0, kTeacher, automatic ? kPasswordMd5 : QString());
        TAVDatabase* database = TAVDatabase::getInstance();
        database->closeLocalDb();
        QVERIFY(HeldFileOpens::hold());
        QVERIFY(database->openLocalDb());
        int quits = 0;
        m_dlg->setQuitHandler([&quits](int) { ++quits; });
        QSignalSpy checked(database->fileCheck(), &TavFileCheck::checked);
        QMovie* movie = m_dlg->findChild<QLabel*>("progressAnimation")->movie();
        QSignalSpy frames(movie, &QMovie::frameChanged);

        if (automatic)
            m_dlg->startUp();
        else
            login(kTeacher, kPassword);
        QVERIFY(m_dlg->isVisible() && !m_dlg->inputPanelVisible());
        QVERIFY(!toolBar()->isVisible());
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), 0);
        // The animation goes on while the file is read.
        QVERIFY(frames.wait(30000));
        QVERIFY(database->fileCheckPending());
        if (closed) {
            QVERIFY(WindowInput::click(m_dlg->findChild<QPushButton*>("cancelBtn")));
            QTRY_COMPARE_WITH_TIMEOUT(quits, 1, 30000);
        }

        HeldFileOpens::release();
        QVERIFY(checked.wait(30000));
        if (closed) {
            QVERIFY(!toolBar()->isVisible());
            QCOMPARE(m_service.requestsTo(kLoginPath).size(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(toolBar()->isVisible(), 30000);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), 1);
        QCOMPARE(quits, 0);
    }

    // Another program takes the file while it is read through (a database browser opened beside the program): the
    // login clicked meanwhile waits, the dialog alive and saying why, and goes on by itself once the file is
    // free; the × ends the program meanwhile and no login follows.
    void loginWaitsForAFileAnotherProgramHolds_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("the other program lets go") << false;
        QTest::newRow("× clicked meanwhile") << true;
    }

    void loginWaitsForAFileAnotherProgramHolds()
    {
        QFETCH(bool, closed);
        TAVDatabase* database = TAVDatabase::getInstance();
        database->closeLocalDb();
        // The read-through takes no lock before the other program has the file.
        QVERIFY(HeldFileOpens::hold());
        QVERIFY(database->openLocalDb());
        QTRY_COMPARE(HeldFileOpens::waited(), 1);
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        QSignalSpy inUse(database->fileCheck(), &TavFileCheck::inUse);
        HeldFileOpens::release();
        QVERIFY(inUse.wait(5000));
        int quits = 0;
        m_dlg->setQuitHandler([&quits](int) { ++quits; });
        auto* why = m_dlg->findChild<QLabel*>("fileInUseLabel");
        QMovie* movie = m_dlg->findChild<QLabel*>("progressAnimation")->movie();
        QSignalSpy frames(movie, &QMovie::frameChanged);
        InterfaceWatch watch;

        login(kTeacher, kPassword);
        QVERIFY(!m_dlg->inputPanelVisible());
        QTRY_VERIFY(why->isVisible());
        QCOMPARE(
            why->text(),
            QString("另一个程序正在使用数据库文件。它释放该文件后，本程序将自动继续；也可点击右上角的 × 关闭本程序。"));
        // Several tries on the file; the animation goes on meanwhile.
        QVERIFY(!toolBar()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 5 && other.heldMs() > 3 * TavFileCheck::kRetryMs, 30000);
        QVERIFY(database->fileCheckPending());
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), 0);
        if (closed) {
            QVERIFY(WindowInput::click(m_dlg->findChild<QPushButton*>("cancelBtn")));
            QTRY_COMPARE(quits, 1);
        }
        qInfo("longest freeze of the interface while the login waited: %lld ms",
              static_cast<long long>(watch.longestGapMs()));
        // A hang, not a figure: ten times the screen's moment.
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));

        other.release();
        if (closed) {
            database->closeLocalDb();
            QVERIFY(!toolBar()->isVisible());
            QCOMPARE(m_service.requestsTo(kLoginPath).size(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(toolBar()->isVisible(), 30000);
        QVERIFY(!why->isVisible());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_service.requestsTo(kLoginPath).size(), 1);
        QCOMPARE(quits, 0);
    }

    // A large school's login stores 100,000 students while the animation goes on. How long it takes is
    // BenchStartUp's to say; a box that comes up meanwhile (the login's time-out asks to log in offline) fails
    // the test at once, saying what it showed.
    void largeSchoolKeepsTheAnimationGoing()
    {
        QJsonArray students;
        for (int i = 0; i < 100000; ++i) {
            students.append(QJsonObject { { "username", QString::number(3000000000LL + i) },
                                          { "name", "学生" },
                                          { "sn", QString::number(i % 60 + 1) },
                                          { "baseStationID", kStation } });
        }
        const QJsonObject demo = m_service.data();
        // Class 102 is taught in one subject, so its students come once.
        m_service.setData(TavWebService::reshaped(demo, "classes/1/students", students));
        QMovie* movie = m_dlg->findChild<QLabel*>("progressAnimation")->movie();
        QSignalSpy frames(movie, &QMovie::frameChanged);
        InterfaceWatch watch;
        login(kTeacher, kPassword);
        m_service.setData(demo);
        QVERIFY2(watch.modals().isEmpty(), qPrintable("a box came up: " + watch.modals().join(", ")));
        QCOMPARE(m_dlg->errorText(), QString());
        QVERIFY(toolBar()->isVisible());
        QCOMPARE(committedValue("select count(*) from TAV_StudentInfo where classID = 102").toInt(), 100000);
        QVERIFY2(frames.size() >= 2, qPrintable(QString("%1 animation frames").arg(frames.size())));
    }

    void receiverUnplugShowsNoticeWithinASecond()
    {
        QVERIFY(useServer(m_service.port(), "rf228"));
        Rf21xSimulator::instance()->reset();
        ZURf228Api::getInstance()->initDevice();
        QVERIFY(ZURf228Api::getInstance()->isConnected());

        auto* notice = ZUTAVAutoMsg::getInstance();
        auto* text = notice->findChild<QLabel*>("textLabel");
        QVERIFY(text);
        Rf21xSimulator::instance()->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible() && text->text() == QString("硬件连接异常"),
                                 ZULoginDlg::kReceiverCheckMs + 500);
        Rf21xSimulator::instance()->plug();
        QTRY_VERIFY_WITH_TIMEOUT(text->text() == QString("硬件连接成功"), ZULoginDlg::kReceiverCheckMs + 500);
        notice->hide();
    }
};

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (OtherProgram::isChild(c, v))
            return OtherProgram::holdInChild(c, v);
        TestZULoginDlg test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZULoginDlg.moc"

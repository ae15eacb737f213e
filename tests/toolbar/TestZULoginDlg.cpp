// The login dialog and the login service behind it.
#include "ToolbarTestSupport.h"

#include "Rf21xSimulator.h"
#include "ZULoginDlg.h"
#include "ZURf228Api.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

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

TAV_DB_TEST_MAIN(TestZULoginDlg)

#include "TestZULoginDlg.moc"

#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "ToolbarTestSupport.h"

#include "CodeTool.h"
#include "Rf21xSimulator.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZULoginDlg.h"
#include "ZULoginSer.h"
#include "ZURf228Api.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace ToolbarTestSupport;

namespace {
const QString kLoginPath = QStringLiteral("/tav/fastenMachine/tokenLogin");
}

class TestZULoginDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void emptyFieldsAreRefused_data();
    void emptyFieldsAreRefused();
    void typingClearsTheError();
    void onlineLoginSavesAndShowsToolBar_data();
    void onlineLoginSavesAndShowsToolBar();
    void refusalShowsServiceText();
    void offlineQuestion_data();
    void offlineQuestion();
    void offlineWithWrongPasswordFails();
    void automaticLoginNeedsNoInput();
    void failedAutomaticLoginKeepsNameAndCheckBox();
    void logoutReturnsToClearedInput();
    void receiverUnplugShowsNoticeWithinASecond();

private:
    void type(const QString& user, const QString& password);
    void savedLogin(int& autologin, QString& user, QString& password);
    QCheckBox* autoLogin() const { return m_dlg->findChild<QCheckBox*>("autoLoginCheckBox"); }

    TavWebService m_service;
    ZULoginDlg* m_dlg = nullptr;
    QList<int> m_quitCodes;
};

void TestZULoginDlg::initTestCase()
{
    QVERIFY(m_service.loadDataFile(QString(TAV_SOURCE_DIR) + "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
    m_dlg = new ZULoginDlg();
    QCOMPARE(ZULoginDlg::getInstance(), m_dlg);
    m_dlg->setQuitHandler([this](int code) { m_quitCodes.append(code); });
}

void TestZULoginDlg::init()
{
    QVERIFY(DbTestSupport::freshDatabase());
    resetTeacherState();
    m_service.clearFailures();
    m_service.clearRequests();
    QVERIFY(useService(m_service));
    DialogAnswerer::clear();
    m_dlg->clearLoginStartInput();
    m_dlg->findChild<QLineEdit*>("UserNameLineEdit")->clear();
    m_dlg->show();
}

void TestZULoginDlg::cleanup()
{
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::failures(), 0);
    ZUToolBarDlg::getInstance()->hide();
}

void TestZULoginDlg::type(const QString& user, const QString& password)
{
    m_dlg->findChild<QLineEdit*>("UserNameLineEdit")->setText(user);
    m_dlg->findChild<QLineEdit*>("PasswordLineEdit")->setText(password);
}

void TestZULoginDlg::savedLogin(int& autologin, QString& user, QString& password)
{
    ZULoginSer::getInstance()->readSavedLogin(autologin, user, password);
}

void TestZULoginDlg::emptyFieldsAreRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");
    QTest::newRow("no user name") << ""
                                  << "x"
                                  << "请输入用户名!";
    QTest::newRow("no password") << kTeacher << ""
                                 << "请输入密码!";
}

void TestZULoginDlg::emptyFieldsAreRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, error);
    type(user, password);
    // Return presses the login button.
    QTest::keyClick(m_dlg, Qt::Key_Return);
    QCOMPARE(m_dlg->errorText(), error);
    QVERIFY(m_dlg->inputPanelVisible());
    QVERIFY(m_service.requestsTo(kLoginPath).isEmpty());
}

void TestZULoginDlg::typingClearsTheError()
{
    type("", "");
    m_dlg->on_LoginBtn_clicked();
    QVERIFY(!m_dlg->errorText().isEmpty());
    QTest::keyClick(m_dlg->findChild<QLineEdit*>("UserNameLineEdit"), Qt::Key_A);
    QVERIFY(m_dlg->errorText().isEmpty());
    m_dlg->on_LoginBtn_clicked();
    QVERIFY(!m_dlg->errorText().isEmpty());
    QTest::keyClick(m_dlg->findChild<QLineEdit*>("PasswordLineEdit"), Qt::Key_B);
    QVERIFY(m_dlg->errorText().isEmpty());
}

void TestZULoginDlg::onlineLoginSavesAndShowsToolBar_data()
{
    QTest::addColumn<bool>("automatic");
    QTest::newRow("自动登录 checked") << true;
    QTest::newRow("自动登录 unchecked") << false;
}

void TestZULoginDlg::onlineLoginSavesAndShowsToolBar()
{
    QFETCH(bool, automatic);
    type(kTeacher, kPassword);
    autoLogin()->setChecked(automatic);
    m_dlg->findChild<QPushButton*>("LoginBtn")->click();

    QVERIFY(!m_dlg->isVisible());
    QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    QVERIFY(TAVMemInfo::getInstance()->onlineFlag);
    QCOMPARE(ZUToolBarDlg::getInstance()->findChild<QLabel*>("teacherLabel")->text(), QString("欢迎您，王老师老师"));
    int saved = -1;
    QString user;
    QString password;
    savedLogin(saved, user, password);
    QCOMPARE(saved, automatic ? 1 : 0);
    QCOMPARE(user, QString(kTeacher));
    QCOMPARE(password, passwordMd5());
}

void TestZULoginDlg::refusalShowsServiceText()
{
    type(kTeacher, "wrong");
    m_dlg->on_LoginBtn_clicked();
    QCOMPARE(m_dlg->errorText(), QString("用户名或密码错误"));
    QVERIFY(m_dlg->isVisible());
    QVERIFY(m_dlg->inputPanelVisible());
    QVERIFY(!ZUToolBarDlg::getInstance()->isVisible());
}

void TestZULoginDlg::offlineQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("loggedIn");
    QTest::newRow("yes") << int(ZUTipDlg::Yes) << true;
    QTest::newRow("no") << int(ZUTipDlg::No) << false;
}

void TestZULoginDlg::offlineQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, loggedIn);
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::LoggedIn));
    ZULoginSer::getInstance()->saveLogin(0, "earlier", "saved");
    resetTeacherState();
    QVERIFY(useUnreachableServer());

    DialogAnswerer::answerNextTipDlg(answer);
    type(kMobile, kPassword);
    m_dlg->on_LoginBtn_clicked();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::lastText(), QString("服务器连接失败,是否使用离线方式登录?"));

    QCOMPARE(m_dlg->isVisible(), !loggedIn);
    QCOMPARE(ZUToolBarDlg::getInstance()->isVisible(), loggedIn);
    QCOMPARE(m_dlg->inputPanelVisible(), !loggedIn);
    QVERIFY(!TAVMemInfo::getInstance()->onlineFlag);
    QCOMPARE(TAVMemInfo::getInstance()->currentTeacher.username, loggedIn ? QString(kTeacher) : QString());
    // An offline login saves nothing.
    int saved = -1;
    QString user;
    QString password;
    savedLogin(saved, user, password);
    QCOMPARE(user, QString("earlier"));
    QCOMPARE(password, QString("saved"));
}

void TestZULoginDlg::offlineWithWrongPasswordFails()
{
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::LoggedIn));
    QVERIFY(useUnreachableServer());
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    type(kTeacher, "wrong");
    m_dlg->on_LoginBtn_clicked();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(m_dlg->errorText(), QString("登录失败！请联网后重试！"));
    QVERIFY(m_dlg->inputPanelVisible());
}

void TestZULoginDlg::automaticLoginNeedsNoInput()
{
    ZULoginSer::getInstance()->saveLogin(1, kTeacher, passwordMd5());
    m_dlg->showProgressPanel();
    m_dlg->startUp();
    QVERIFY(!m_dlg->isVisible());
    QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    QVERIFY(autoLogin()->isChecked());
    QCOMPARE(m_service.requestsTo(kLoginPath).size(), 1);

    // Without the saved password text nothing is tried.
    ZULoginSer::getInstance()->saveLogin(1, kTeacher, "");
    m_dlg->show();
    m_dlg->startUp();
    QVERIFY(m_dlg->inputPanelVisible());
    QCOMPARE(m_service.requestsTo(kLoginPath).size(), 1);
}

void TestZULoginDlg::failedAutomaticLoginKeepsNameAndCheckBox()
{
    ZULoginSer::getInstance()->saveLogin(1, kTeacher, CodeTool::md5Hex("stale"));
    QVERIFY(useUnreachableServer());
    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    m_dlg->startUp();
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QVERIFY(m_dlg->isVisible());
    QVERIFY(m_dlg->inputPanelVisible());
    QCOMPARE(m_dlg->findChild<QLineEdit*>("UserNameLineEdit")->text(), QString(kTeacher));
    QVERIFY(autoLogin()->isChecked());
}

void TestZULoginDlg::logoutReturnsToClearedInput()
{
    type(kTeacher, kPassword);
    autoLogin()->setChecked(true);
    m_dlg->on_LoginBtn_clicked();
    QVERIFY(ZUToolBarDlg::getInstance()->isVisible());

    ZUToolBarDlg::getInstance()->findChild<QAbstractButton*>("logoutBtn")->click();
    QVERIFY(!ZUToolBarDlg::getInstance()->isVisible());
    QVERIFY(m_dlg->isVisible());
    QVERIFY(m_dlg->inputPanelVisible());
    QCOMPARE(m_dlg->findChild<QLineEdit*>("UserNameLineEdit")->text(), QString(kTeacher));
    QVERIFY(m_dlg->findChild<QLineEdit*>("PasswordLineEdit")->text().isEmpty());
    QVERIFY(!autoLogin()->isChecked());
    int saved = -1;
    QString user;
    QString password;
    savedLogin(saved, user, password);
    QCOMPARE(saved, 0);
    QVERIFY(user.isEmpty());
    QVERIFY(password.isEmpty());
    QCOMPARE(DbTestSupport::committedValue("select lastclass from TAV_AppInfo").toInt(), 0);
}

void TestZULoginDlg::receiverUnplugShowsNoticeWithinASecond()
{
    QVERIFY(useService(m_service, "rf228"));
    Rf21xSimulator::instance()->reset();
    ZURf228Api::getInstance()->initDevice();
    QVERIFY(ZURf228Api::getInstance()->isConnected());

    auto* notice = ZUTAVAutoMsg::getInstance();
    auto* text = notice->findChild<QLabel*>("textLabel");
    QVERIFY(text);
    Rf21xSimulator::instance()->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible() && text->text() == QString("硬件连接异常"),
                             ZULoginDlg::kReceiverCheckMs + 500);
    QVERIFY(!ZURf228Api::getInstance()->isConnected());

    Rf21xSimulator::instance()->plug();
    QTRY_VERIFY_WITH_TIMEOUT(text->text() == QString("硬件连接成功"), ZULoginDlg::kReceiverCheckMs + 500);
    QCOMPARE(ZURf228Api::getInstance()->serialNumber(), QString(kStation));
    notice->hide();
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZULoginDlg test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZULoginDlg.moc"

#include "DbTestSupport.h"
#include "ToolbarTestSupport.h"

#include "CodeTool.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZULoginSer.h"

#include <QApplication>
#include <QtTest>

using namespace ToolbarTestSupport;
using DbTestSupport::committedValue;

namespace {
const QString kLoginPath = QStringLiteral("/tav/fastenMachine/tokenLogin");
}

class TestZULoginSer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void onlineLoginFindsTeachersClassesInTables();
    void refusedLoginGivesText_data();
    void refusedLoginGivesText();
    void errorCodesMatchExactly_data();
    void errorCodesMatchExactly();
    void unreachableForms_data();
    void unreachableForms();
    void offlineLogin_data();
    void offlineLogin();
    void savedLoginRoundTrip();

private:
    TavWebService m_service;
};

void TestZULoginSer::initTestCase()
{
    QVERIFY(DbTestSupport::freshDatabase());
    QVERIFY(m_service.loadDataFile(QString(TAV_SOURCE_DIR) + "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
}

void TestZULoginSer::init()
{
    resetTeacherState();
    m_service.clearFailures();
    m_service.clearRequests();
    QVERIFY(useService(m_service));
}

void TestZULoginSer::onlineLoginFindsTeachersClassesInTables()
{
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::LoggedIn));

    const QList<WebRequest> sent = m_service.requestsTo(kLoginPath);
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent.first().signOk);
    QCOMPARE(sent.first().param("password"), passwordMd5());

    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QVERIFY(mem->onlineFlag);
    QCOMPARE(mem->currentTeacher.username, QString(kTeacher));
    QCOMPARE(mem->classMap.keys(), QList<int>({ 101, 102 }));
    QCOMPARE(committedValue("select count(*) from TAV_ClassInfo where stationSn = ?", { kStation }).toInt(), 2);
    QCOMPARE(committedValue("select count(*) from TAV_CSTeacherInfo where username = ?", { kTeacher }).toInt(), 3);
    QCOMPARE(committedValue("select count(*) from TAV_StudentInfo where classID = 101").toInt(), 10);
    QCOMPARE(committedValue("select password from TAV_TeacherInfo where username = ?", { kTeacher }).toString(),
             passwordMd5());
}

void TestZULoginSer::refusedLoginGivesText_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::newRow("wrong password") << kTeacher << CodeTool::md5Hex("wrong") << "用户名或密码错误";
    QTest::newRow("unknown user") << "nobody" << passwordMd5() << "用户名或密码错误";
    QTest::newRow("student account") << "2024080101" << passwordMd5() << "请使用教师帐号登录";
}

void TestZULoginSer::refusedLoginGivesText()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, text);
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(user, password, error), int(ZULoginSer::Refused));
    QCOMPARE(error, text);
    QVERIFY(TAVMemInfo::getInstance()->currentTeacher.username.isEmpty());
}

void TestZULoginSer::errorCodesMatchExactly_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("TAV-1") << "TAV-1"
                           << "用户名或密码错误";
    QTest::newRow("TAV-2") << "TAV-2"
                           << "用户名或密码错误";
    QTest::newRow("TAV-3") << "TAV-3"
                           << "请使用教师帐号登录";
    QTest::newRow("other case") << "tav-1"
                                << "服务器异常";
    QTest::newRow("unknown") << "TAV-9"
                             << "服务器异常";
}

void TestZULoginSer::errorCodesMatchExactly()
{
    QFETCH(QString, code);
    QFETCH(QString, text);
    m_service.setFailure(kLoginPath, WebFailure::Refuse, code);
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::Refused));
    QCOMPARE(error, text);
}

void TestZULoginSer::unreachableForms_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("serverDown");
    QTest::addColumn<bool>("onlineAfter");
    // The flag starts true: a failed request clears it, a body that is not JSON leaves it alone.
    QTest::newRow("HTTP 500") << int(WebFailure::Http500) << false << false;
    QTest::newRow("not JSON") << int(WebFailure::NotJson) << false << true;
    QTest::newRow("server down") << int(WebFailure::None) << true << false;
}

void TestZULoginSer::unreachableForms()
{
    QFETCH(int, failure);
    QFETCH(bool, serverDown);
    QFETCH(bool, onlineAfter);
    m_service.setFailure(kLoginPath, WebFailure(failure));
    if (serverDown)
        QVERIFY(useUnreachableServer());
    TAVMemInfo::getInstance()->onlineFlag = true;

    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::Unreachable));
    QVERIFY(error.isEmpty());
    QCOMPARE(bool(TAVMemInfo::getInstance()->onlineFlag), onlineAfter);
}

void TestZULoginSer::offlineLogin_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("user name") << kTeacher << passwordMd5() << true;
    QTest::newRow("mobile number") << kMobile << passwordMd5() << true;
    QTest::newRow("wrong password") << kTeacher << CodeTool::md5Hex("wrong") << false;
    QTest::newRow("typed password, not its MD5") << kTeacher << kPassword << false;
    QTest::newRow("unknown account") << "nobody" << passwordMd5() << false;
}

void TestZULoginSer::offlineLogin()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QString error;
    QCOMPARE(ZULoginSer::getInstance()->onLineLogin(kTeacher, passwordMd5(), error), int(ZULoginSer::LoggedIn));
    resetTeacherState();

    QCOMPARE(ZULoginSer::getInstance()->checkOfflineLogin(account, password), accepted);
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QVERIFY(!mem->onlineFlag);
    QCOMPARE(mem->currentTeacher.username, accepted ? QString(kTeacher) : QString());
    QCOMPARE(mem->classMap.size(), accepted ? 2 : 0);
}

void TestZULoginSer::savedLoginRoundTrip()
{
    ZULoginSer* ser = ZULoginSer::getInstance();
    ser->saveLogin(1, kTeacher, passwordMd5());
    int autologin = -5;
    QString user;
    QString password;
    ser->readSavedLogin(autologin, user, password);
    QCOMPARE(autologin, 1);
    QCOMPARE(user, QString(kTeacher));
    QCOMPARE(password, passwordMd5());

    QVERIFY(DbTestSupport::runOutside("update TAV_AppInfo set lastclass = 101"));
    ser->clearLogin();
    ser->readSavedLogin(autologin, user, password);
    QCOMPARE(autologin, 0);
    QVERIFY(user.isEmpty());
    QVERIFY(password.isEmpty());
    QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toInt(), 0);
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZULoginSer test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZULoginSer.moc"

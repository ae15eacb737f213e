#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_AppInfo.h"
#include "TAV_Config.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace DbTestSupport;

// The application row and the settings, and their copies in the teacher state.
class TestTavSettingsTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void freshApplicationRow();
    void applicationTableWithoutRows();
    void settersFollowIntoTeacherState_data();
    void settersFollowIntoTeacherState();
    void setValueReloadsSettings_data();
    void setValueReloadsSettings();
    void setValuesWritesPairsInOneBatch();
    void setValuesWithUnequalListsWritesNothing();
    void unreadableSettingsKeepTheMap();

private:
    QSqlDatabase m_db;
};

void TestTavSettingsTables::init()
{
    QVERIFY(freshDatabase());
    resetTeacherState();
    m_db = TAVDatabase::getInstance()->getDbCon();
}

void TestTavSettingsTables::cleanup()
{
    TAVDatabase::getInstance()->closeDbCon(m_db);
    m_db = QSqlDatabase();
}

void TestTavSettingsTables::freshApplicationRow()
{
    TAV_AppInfo* app = TAV_AppInfo::getInstance();
    QCOMPARE(app->selectVersion(m_db), QString("4.2.0"));
    QCOMPARE(app->selectAutoLogin(m_db), 0);
    QCOMPARE(app->selectLoginUserName(m_db), QString(""));
    QCOMPARE(app->selectPassword(m_db), QString(""));
    QCOMPARE(app->selectLastClass(m_db), 0);
}

void TestTavSettingsTables::applicationTableWithoutRows()
{
    QVERIFY(QSqlQuery(m_db).exec("delete from TAV_AppInfo"));
    TAV_AppInfo* app = TAV_AppInfo::getInstance();
    QCOMPARE(app->selectVersion(m_db), QString());
    QCOMPARE(app->selectAutoLogin(m_db), 0);
    QCOMPARE(app->selectLastClass(m_db), -1);
    app->setLoginUserName(m_db, "someone");
    QCOMPARE(TAVMemInfo::getInstance()->loginUserName, QString("someone"));
    QCOMPARE(app->selectLoginUserName(m_db), QString());
}

void TestTavSettingsTables::settersFollowIntoTeacherState_data()
{
    QTest::addColumn<int>("autoLogin");
    QTest::addColumn<bool>("flag");
    QTest::newRow("on") << 1 << true;
    QTest::newRow("two") << 2 << true;
    QTest::newRow("off") << 0 << false;
}

void TestTavSettingsTables::settersFollowIntoTeacherState()
{
    QFETCH(int, autoLogin);
    QFETCH(bool, flag);
    TAV_AppInfo* app = TAV_AppInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    app->setLoginUserName(m_db, "O'Neil");
    app->setPassword(m_db, "e10adc3949ba59abbe56e057f20f883e");
    app->setAutoLogin(m_db, autoLogin);
    app->setLastClass(m_db, 301);
    app->setUserName(m_db, "t7");
    QCOMPARE(mem->autoLogin, flag);
    QCOMPARE(mem->userName, QString("t7"));

    resetTeacherState();
    app->loadAll(m_db);
    QCOMPARE(mem->appVersion, QString("4.2.0"));
    QCOMPARE(mem->autoLogin, flag);
    QCOMPARE(mem->loginUserName, QString("O'Neil"));
    QCOMPARE(mem->password, QString("e10adc3949ba59abbe56e057f20f883e"));
    QCOMPARE(mem->lastClass, 301);
    QCOMPARE(mem->userName, QString()); // the imported user name is not loaded
    QCOMPARE(app->selectAutoLogin(m_db), autoLogin);
}

void TestTavSettingsTables::setValueReloadsSettings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("answerMethod");
    QTest::newRow("known key") << "AnswerMethod"
                               << "3"
                               << "3";
    QTest::newRow("unknown key") << "NoSuchKey"
                                 << "3"
                                 << "0";
}

void TestTavSettingsTables::setValueReloadsSettings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, answerMethod);
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    LogCapture log;
    QVERIFY(TAV_Config::getInstance()->setValue(m_db, key, value));
    QVERIFY(!log.contains("****"));
    QCOMPARE(mem->configMap.size(), 30);
    QCOMPARE(mem->configMap.value("AnswerMethod"), answerMethod);
    QVERIFY(!mem->configMap.contains("NoSuchKey"));
}

void TestTavSettingsTables::setValuesWritesPairsInOneBatch()
{
    QVERIFY(TAV_Config::getInstance()->setValues(m_db, { "TimeLimit", "DoNotShowUnAnswer" }, { 45, true }));
    QCOMPARE(TAVMemInfo::getInstance()->configMap.value("TimeLimit"), QString("45"));
    QCOMPARE(TAVMemInfo::getInstance()->configMap.value("DoNotShowUnAnswer"), QString("1"));
}

void TestTavSettingsTables::setValuesWithUnequalListsWritesNothing()
{
    TAVMemInfo::getInstance()->configMap.insert("Marker", "kept");
    LogCapture log;
    QVERIFY(!TAV_Config::getInstance()->setValues(m_db, { "TimeLimit", "TestTime" }, { 45 }));
    QVERIFY(!TAV_Config::getInstance()->setValues(m_db, { "TimeLimit" }, { 45, 600 }));
    QCOMPARE(log.count("****setValues refused"), 2);
    QSqlQuery q(m_db);
    QVERIFY(q.exec("select keyNalue from TAV_Config where keyName in ('TimeLimit', 'TestTime') order by keyName"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("900"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("30"));
    QCOMPARE(TAVMemInfo::getInstance()->configMap.value("Marker"), QString("kept"));
}

void TestTavSettingsTables::unreadableSettingsKeepTheMap()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QVERIFY(TAV_Config::getInstance()->loadAll(m_db));
    QVERIFY(QSqlQuery(m_db).exec("drop table TAV_Config"));
    LogCapture log;
    QVERIFY(!TAV_Config::getInstance()->loadAll(m_db));
    QVERIFY(!TAV_Config::getInstance()->setValue(m_db, "TimeLimit", "5"));
    QCOMPARE(mem->configMap.value("TimeLimit"), QString("30"));
    QCOMPARE(mem->configMap.size(), 30);
}

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        TestTavSettingsTables test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTavSettingsTables.moc"

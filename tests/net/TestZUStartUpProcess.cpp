// The start-up version check and the start of the updater.
#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "NetTestSupport.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUStartUpProcess.h"
#include "ZUTAVVersionUpdateManager.h"
#include "ZUTipDlg.h"

#include <QApplication>
#include <QFile>
#include <QNetworkProxy>
#include <QTest>

namespace {
const QString kVersionPath = QStringLiteral("/bizserver/version/get");

QString argsFile()
{
    return QCoreApplication::applicationDirPath() + "/updater-args.txt";
}

// A stand-in updater that writes down the arguments it was started with.
bool installFakeUpdater()
{
    QFile script(ZUStartUpProcess::updaterPath());
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/updater-args.txt.part\"\n"
                 "mv \"$(dirname \"$0\")/updater-args.txt.part\" \"$(dirname \"$0\")/updater-args.txt\"\n");
    script.close();
    return script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}
} // namespace

class TestZUStartUpProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void compareVersion_data();
    void compareVersion();
    void parseVersion_data();
    void parseVersion();
    void versionRequestIsSignedAndGoesToTheVersionService();
    void startUpOffersAndStartsTheUpdate_data();
    void startUpOffersAndStartsTheUpdate();
    void missingUpdaterLetsStartUpGoOn();

private:
    TavWebService m_service;
};

void TestZUStartUpProcess::initTestCase()
{
    QVERIFY(DbTestSupport::freshDatabase());
    QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
    m_service.useAsApplicationProxy();
}

void TestZUStartUpProcess::cleanupTestCase()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestZUStartUpProcess::init()
{
    m_service.clearFailures();
    m_service.clearRequests();
    DialogAnswerer::clear();
    QFile::remove(argsFile());
    QVERIFY(installFakeUpdater());
}

void TestZUStartUpProcess::compareVersion_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("upToDate");
    QTest::newRow("empty server version, short local one") << "4.2"
                                                           << "" << true;
    QTest::newRow("empty server version, empty local one") << ""
                                                           << "" << true;
    QTest::newRow("empty server version") << "4.2.0"
                                          << "" << true;
    QTest::newRow("same") << "4.2.0"
                          << "4.2.0" << true;
    QTest::newRow("newer local") << "4.2.1"
                                 << "4.2.0" << true;
    QTest::newRow("1.0.9 < 1.0.10") << "1.0.9"
                                    << "1.0.10" << false;
    QTest::newRow("parts above 99 overlap") << "1.2.0"
                                            << "1.1.999" << false;
    QTest::newRow("local of 3 characters") << "1.2"
                                           << "1.3.0" << false;
    QTest::newRow("local of 4 characters") << "10.2"
                                           << "10.3.0" << false;
    QTest::newRow("local of 5 characters, two parts") << "10.20"
                                                      << "10.30.0" << true;
    QTest::newRow("server of two parts") << "1.0.0"
                                         << "2.0" << false;
    QTest::newRow("empty local") << ""
                                 << "4.2.0" << false;
    QTest::newRow("letters read as 0") << "4.2.0"
                                       << "4.x.1" << true;
}

void TestZUStartUpProcess::compareVersion()
{
    QFETCH(QString, local);
    QFETCH(QString, server);
    QFETCH(bool, upToDate);
    bool result = true;
    ZUStartUpProcess::compareVersion(local, server, result);
    QCOMPARE(result, upToDate);
}

void TestZUStartUpProcess::parseVersion_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("force");
    QTest::newRow("full") << R"({"success":true,"result":{"version":"4.3.0","url":"http://h/p.7z","forceupdate":true}})"
                          << "4.3.0"
                          << "http://h/p.7z" << true;
    QTest::newRow("success not consulted") << R"({"success":false,"result":{"version":"4.3.0"}})"
                                           << "4.3.0"
                                           << "" << false;
    QTest::newRow("no result") << R"({"success":true})"
                               << ""
                               << "" << false;
    QTest::newRow("not JSON") << "<html>502</html>"
                              << ""
                              << "" << false;
}

void TestZUStartUpProcess::parseVersion()
{
    QFETCH(QString, reply);
    QFETCH(QString, version);
    QFETCH(QString, url);
    QFETCH(bool, force);
    QMap<QString, QString> values;
    bool forceupdate = false;
    ZUTAVVersionUpdateManager::parseVersion(reply, values, forceupdate);
    QCOMPARE(values.value("version"), version);
    QCOMPARE(values.value("url"), url);
    QCOMPARE(forceupdate, force);
}

void TestZUStartUpProcess::versionRequestIsSignedAndGoesToTheVersionService()
{
    const QString query = "name=dovane_pctavclient&platform=PC&version=4.2.0&7e3a90c41bd8f25a06c9e1b47d2f8a53";
    QCOMPARE(ZUTAVVersionUpdateManager::requestUrl("4.2.0"),
             "http://version.dovane.cn/bizserver/version/get?" + query + "&sign=" + NetTestSupport::md5(query));

    m_service.setVersionReply("4.3.0", "/package/TAVUpdate4.3.0.7z", true);
    ZUTAVVersionUpdateManager manager;
    const VersionInfo info = manager.checkVersion();
    QCOMPARE(info.version, QString("4.3.0"));
    QCOMPARE(info.url, QString("http://version.dovane.cn/package/TAVUpdate4.3.0.7z"));
    QVERIFY(info.forceupdate);
    const QList<WebRequest> seen = m_service.requestsTo(kVersionPath);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().host, QString("version.dovane.cn"));
    QCOMPARE(seen.first().param("version"), QString("4.2.0"));
    QVERIFY(seen.first().signOk);
}

void TestZUStartUpProcess::startUpOffersAndStartsTheUpdate_data()
{
    QTest::addColumn<QString>("serverVersion");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("serviceFails");
    QTest::addColumn<int>("answer"); // 0: no question expected
    QTest::addColumn<bool>("updaterStarted");
    QTest::newRow("up to date") << "4.2.0" << false << false << 0 << false;
    QTest::newRow("service fails") << "9.9.9" << true << true << 0 << false;
    QTest::newRow("newer, box closed by the window system")
        << "4.3.0" << false << false << DialogAnswerer::CloseOtherwise << false;
    QTest::newRow("newer, teacher closes the box") << "4.3.0" << false << false << int(ZUTipDlg::Close) << false;
    QTest::newRow("newer, teacher agrees") << "4.3.0" << false << false << int(ZUTipDlg::Yes) << true;
    QTest::newRow("newer and forced") << "4.3.0" << true << false << 0 << true;
}

void TestZUStartUpProcess::startUpOffersAndStartsTheUpdate()
{
    QFETCH(QString, serverVersion);
    QFETCH(bool, force);
    QFETCH(bool, serviceFails);
    QFETCH(int, answer);
    QFETCH(bool, updaterStarted);
    m_service.setVersionReply(serverVersion, "/package/TAVUpdate" + serverVersion + ".7z", force);
    if (serviceFails)
        m_service.setFailure(kVersionPath, WebFailure::Http500);
    if (answer)
        DialogAnswerer::answerNextTipDlg(answer);
    TAVMemInfo::getInstance()->version.clear();

    QCOMPARE(ZUStartUpProcess::getInstance()->startUp(), !updaterStarted);
    QCOMPARE(TAVMemInfo::getInstance()->version, QString("4.2.0"));
    if (answer) {
        QVERIFY(DialogAnswerer::waitUntilAnswered());
        QCOMPARE(DialogAnswerer::lastText(), QString("检测到新版本，是否更新?"));
    }
    QCOMPARE(DialogAnswerer::answeredCount(), answer ? 1 : 0);
    if (updaterStarted) {
        QTRY_VERIFY(QFile::exists(argsFile()));
        QFile args(argsFile());
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(args.readAll()),
                 "http://version.dovane.cn/package/TAVUpdate" + serverVersion + ".7z\n" + serverVersion + "\n");
    } else {
        QVERIFY(!QFile::exists(argsFile()));
    }
}

void TestZUStartUpProcess::missingUpdaterLetsStartUpGoOn()
{
    QVERIFY(QFile::remove(ZUStartUpProcess::updaterPath()));
    m_service.setVersionReply("4.3.0", "/package/TAVUpdate4.3.0.7z", true);
    QTest::ignoreMessage(QtWarningMsg, qPrintable("****start updater fail: " + ZUStartUpProcess::updaterPath()));
    QVERIFY(ZUStartUpProcess::getInstance()->startUp());
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestZUStartUpProcess test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUStartUpProcess.moc"

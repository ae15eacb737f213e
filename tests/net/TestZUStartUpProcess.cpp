// The start-up version check and the start of the updater.
#include "DialogAnswerer.h"
#include "NetTestSupport.h"
#include "ProgramDirCopy.h"
#include "TAVMemInfo.h"
#include "TavSingleInstance.h"
#include "TavWebService.h"
#include "ZUStartUpProcess.h"
#include "ZUTAVVersionUpdateManager.h"
#include "ZUTipDlg.h"

#include <QFile>
#include <QTextStream>

namespace {
const QString kVersionPath = QStringLiteral("/bizserver/version/get");

// A stand-in updater that writes the arguments it was started with into updater-args.txt beside it.
bool installFakeUpdater(const QString& dir)
{
    QFile::remove(dir + "/updater-args.txt");
    QFile::remove(dir + "/TAVUpdate"); // never write through a link to a real updater
    QFile script(dir + "/TAVUpdate");
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    script.write(
        "#!/bin/sh\ncd \"$(dirname \"$0\")\" && printf '%s\\n' \"$@\" > args.part && mv args.part updater-args.txt\n");
    script.close();
    return script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

QString updaterArgs(const QString& dir)
{
    QFile file(dir + "/updater-args.txt");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class TestZUStartUpProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(m_service.start());
        m_service.useAsApplicationProxy();
    }

    void init()
    {
        m_service.clearFailures();
        m_service.clearRequests();
        DialogAnswerer::clear();
        QVERIFY(installFakeUpdater(m_dir));
    }
    void compareVersion_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("upToDate");
        QTest::newRow("empty server version, short local one") << QString("4.2") << "" << true;
        QTest::newRow("empty server version, empty local one") << QString("") << "" << true;
        QTest::newRow("same") << QString("4.2.0") << "4.2.0" << true;
        QTest::newRow("newer local") << QString("4.2.1") << "4.2.0" << true;
        QTest::newRow("1.0.9 < 1.0.10") << QString("1.0.9") << "1.0.10" << false;
        QTest::newRow("parts above 99 overlap") << QString("1.2.0") << "1.1.999" << false;
        QTest::newRow("local of 3 characters") << QString("1.2") << "1.3.0" << false;
        QTest::newRow("local of 5 characters, two parts") << QString("10.20") << "10.30.0" << true;
        QTest::newRow("server of two parts") << QString("1.0.0") << "2.0" << false;
        QTest::newRow("empty (unreadable) local") << QString("") << "4.2.0" << true;
        QTest::newRow("letters read as 0") << QString("4.2.0") << "4.x.1" << true;
    }
    void compareVersion()
    {
        QFETCH(QString, local);
        QFETCH(QString, server);
        QFETCH(bool, upToDate);
        bool result = true; // as the caller starts
        ZUStartUpProcess::compareVersion(local, server, result);
        QCOMPARE(result, upToDate);
    }

    void versionRequestIsSigned()
    {
        const QString query = "name=dovane_pctavclient&platform=PC&version=4.2.0&" + QString(TavWebService::signKey());
        QCOMPARE(ZUTAVVersionUpdateManager::requestUrl("4.2.0"),
                 "http://version.dovane.cn/bizserver/version/get?" + query + "&sign=" + TavWebService::md5Hex(query));
    }

    void startUpOffersAndStartsTheUpdate_data()
    {
        QTest::addColumn<QString>("serverVersion");
        QTest::addColumn<bool>("force");
        QTest::addColumn<WebFailure>("failure");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<int>("updater"); // 0: missing, 1: present but not started, 2: started
        QTest::newRow("up to date") << "4.2.0" << false << WebFailure::None << 0 << 1;
        QTest::newRow("service fails") << "9.9.9" << true << WebFailure::Http500 << 0 << 1;
        QTest::newRow("newer, teacher closes the box")
            << "4.3.0" << false << WebFailure::None << int(ZUTipDlg::Close) << 1;
        QTest::newRow("newer, teacher agrees") << "4.3.0" << false << WebFailure::None << int(ZUTipDlg::Yes) << 2;
        QTest::newRow("newer and forced") << "4.3.0" << true << WebFailure::None << 0 << 2;
        QTest::newRow("forced, updater missing") << "4.3.0" << true << WebFailure::None << 0 << 0;
    }
    void startUpOffersAndStartsTheUpdate()
    {
        QFETCH(QString, serverVersion);
        QFETCH(bool, force);
        QFETCH(WebFailure, failure);
        QFETCH(int, answer);
        QFETCH(int, updater);
        m_service.setVersionReply(serverVersion, "/package/TAVUpdate" + serverVersion + ".7z", force);
        m_service.setFailure(kVersionPath, failure);
        if (answer)
            DialogAnswerer::answerNextTipDlg(answer);
        if (!updater) {
            QVERIFY(QFile::remove(ZUStartUpProcess::updaterPath()));
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable("****start updater fail: " + ZUStartUpProcess::updaterPath()));
        }
        TAVMemInfo::getInstance()->version.clear();

        QCOMPARE(ZUStartUpProcess::getInstance()->startUp(), updater != 2);
        QCOMPARE(TAVMemInfo::getInstance()->version, QString("4.2.0"));
        QCOMPARE(m_service.requestsTo(kVersionPath).first().host, QString("version.dovane.cn"));
        QVERIFY(m_service.requestsTo(kVersionPath).first().signOk);
        if (answer) {
            QVERIFY(DialogAnswerer::waitUntilAnswered());
            QCOMPARE(DialogAnswerer::lastText(), QString("检测到新版本，是否更新?"));
        }
        QCOMPARE(DialogAnswerer::answeredCount(), answer ? 1 : 0);
        if (updater == 2)
            QTRY_COMPARE_WITH_TIMEOUT(
                updaterArgs(m_dir),
                "http://version.dovane.cn/package/TAVUpdate" + serverVersion + ".7z\n" + serverVersion + "\n", 30000);
        else
            QVERIFY(!QFile::exists(m_dir + "/updater-args.txt"));
    }

    void unreadableInstalledVersionOffersNothing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("force");
        QTest::newRow("no application row, forced offer") << QString("delete from TAV_AppInfo") << true;
        QTest::newRow("empty version, offer to ask") << QString("update TAV_AppInfo set version = ''") << false;
    }
    void unreadableInstalledVersionOffersNothing()
    {
        QFETCH(QString, change);
        QFETCH(bool, force);
        QVERIFY(DbTestSupport::runOutside(change));
        m_service.setVersionReply("4.3.0", "/package/TAVUpdate4.3.0.7z", force);
        DialogAnswerer::answerNextTipDlg(ZUTipDlg::Close); // a wrong question must not hold the test
        QTest::ignoreMessage(QtWarningMsg, "****the installed version cannot be read, no update is offered");

        const bool goesOn = ZUStartUpProcess::getInstance()->startUp();
        QVERIFY(DbTestSupport::freshDatabase());
        QVERIFY(goesOn);
        QCOMPARE(DialogAnswerer::answeredCount(), 0);
        QVERIFY(!QFile::exists(m_dir + "/updater-args.txt"));
    }

    void forcedUpdateEndsTavAndFreesTheInstance()
    {
        ProgramDirCopy copy;
        QVERIFY2(copy.isValid(), qPrintable(copy.errorString()));
        QVERIFY(installFakeUpdater(copy.path()));
        m_service.setVersionReply("4.3.0", "/package/TAVUpdate4.3.0.7z", true);
        QFile ini(copy.filePath("conf/TAVConfig.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QTextStream(&ini) << "[ClientInfo]\nDomain=127.0.0.1\nServerPort=" << m_service.port() << "\nhdType=rf228\n";
        ini.close();

        qputenv("TAV_HTTP_PROXY", m_service.hostPort().toUtf8());
        QProcess* tav = copy.start("TAV");
        QVERIFY(tav->waitForStarted(30000));
        QVERIFY2(tav->waitForFinished(20000), "TAV went on after starting the updater");
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QTRY_COMPARE_WITH_TIMEOUT(updaterArgs(copy.path()),
                                  QString("http://version.dovane.cn/package/TAVUpdate4.3.0.7z\n4.3.0\n"), 30000);

        ScopedIpcDir ipc(copy.ipcDir());
        TavSingleInstance instance;
        QVERIFY(instance.acquire());
    }

private:
    TavWebService m_service;
    const QString m_dir = QCoreApplication::applicationDirPath();
};

TAV_DB_TEST_MAIN(TestZUStartUpProcess)
#include "TestZUStartUpProcess.moc"

// A forced update at start-up: TAV starts the updater with the package and the version, then ends at once
// and gives up its single-instance segment, so that the updater can take it.
#include "ProgramDirCopy.h"
#include "TavSingleInstance.h"
#include "TavWebService.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QTextStream>

class TestUpdaterStartEndsTAV : public QObject
{
    Q_OBJECT

private slots:
    void forcedUpdateEndsTheProgramAndFreesTheInstance();
};

void TestUpdaterStartEndsTAV::forcedUpdateEndsTheProgramAndFreesTheInstance()
{
    ProgramDirCopy copy;
    QVERIFY2(copy.isValid(), qPrintable(copy.errorString()));
    TavWebService service;
    QVERIFY(service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    QVERIFY(service.start());
    service.setVersionReply("4.3.0", "/package/TAVUpdate4.3.0.7z", true);

    QFile ini(copy.filePath("conf/TAVConfig.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QTextStream(&ini) << "[ClientInfo]\nDomain=127.0.0.1\nServerPort=" << service.port() << "\nhdType=rf228\n";
    ini.close();

    // The updater of the copy only writes down how it was started.
    QFile::remove(copy.filePath("TAVUpdate"));
    QFile updater(copy.filePath("TAVUpdate"));
    QVERIFY(updater.open(QIODevice::WriteOnly));
    updater.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.part\"\n"
                  "mv \"$(dirname \"$0\")/args.part\" \"$(dirname \"$0\")/args.txt\"\n");
    updater.close();
    QVERIFY(updater.setPermissions(updater.permissions() | QFileDevice::ExeOwner));

    qputenv("TAV_HTTP_PROXY", service.hostPort().toUtf8());
    QProcess* tav = copy.start("TAV");
    QVERIFY(tav->waitForStarted(5000));
    QVERIFY2(tav->waitForFinished(20000), "TAV went on after starting the updater");
    QCOMPARE(tav->exitStatus(), QProcess::NormalExit);
    QCOMPARE(tav->exitCode(), 0);

    QTRY_VERIFY(QFile::exists(copy.filePath("args.txt")));
    QFile args(copy.filePath("args.txt"));
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()), QString("http://version.dovane.cn/package/TAVUpdate4.3.0.7z\n4.3.0\n"));
    QCOMPARE(service.requestsTo("/bizserver/version/get").size(), 1);

    ScopedIpcDir ipc(copy.ipcDir());
    TavSingleInstance instance;
    QVERIFY(instance.acquire());
}

QTEST_GUILESS_MAIN(TestUpdaterStartEndsTAV)
#include "TestUpdaterStartEndsTAV.moc"

#pragma once

// What every tool bar test needs: the demo teacher of tests/support/webservice/demo.json, a receiver the test
// controls, the ini file pointed at a web service, and main().
#include "CodeTool.h"
#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "iniParse.h"

#include <QApplication>
#include <QDir>
#include <QTcpServer>
#include <QtTest>

namespace ToolbarTestSupport {

const char* const kTeacher = "teacher01";
const char* const kMobile = "13800000001";
const char* const kPassword = "tav123456";
// The receiver serial of both demo classes.
const char* const kStation = "RF21X00001";

inline QString passwordMd5()
{
    return CodeTool::md5Hex(QString::fromLatin1(kPassword));
}

// Used when the ini file names the receiver type "fake".
class FakeReceiver : public ZUHdApi
{
public:
    void initDevice() override { }
    void pollDevice(QString&) override { }
    bool isConnected() override { return connected; }
    QString serialNumber() override { return serial; }
    bool openDevice() override { return connected; }
    int stopQuiz() override { return 1; }
    int startSingleQuiz(int) override { return 1; }
    int startMultipleQuiz(int) override { return 1; }
    int startNumberQuiz() override { return 1; }
    int setKeypadId(int) override { return 1; }

    bool connected = true;
    QString serial;
};

inline FakeReceiver* fakeReceiver()
{
    static FakeReceiver* receiver = [] {
        auto* r = new FakeReceiver;
        ZUHdManager::registerApi("fake", r);
        return r;
    }();
    return receiver;
}

inline bool startDemoService(TavWebService& service)
{
    return service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json") && service.start();
}

// Loads a new ini file naming the loopback port and the receiver type.
inline bool useServer(int port, const QString& hdType = QStringLiteral("fake"))
{
    fakeReceiver();
    // A new file each time: QSettings keeps what it read of a path and may miss a quick rewrite.
    static int count = 0;
    const QString dir = QCoreApplication::applicationDirPath() + "/conf";
    QFile file(dir + QString("/TAVConfig-%1.ini").arg(++count));
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QString("[ClientInfo]\nDomain=127.0.0.1\nServerPort=%1\nhdTime=10\nhdType=%2\n")
                   .arg(port)
                   .arg(hdType)
                   .toUtf8());
    file.close();
    return iniParse::getInstance()->loadFile(file.fileName());
}

inline bool useService(const TavWebService& service, const QString& hdType = QStringLiteral("fake"))
{
    return useServer(service.port(), hdType);
}

// A loopback port nothing listens on.
inline bool useUnreachableServer()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return false;
    const int port = probe.serverPort();
    probe.close();
    return useServer(port);
}

// Nobody logged in, no class, no open record, the fake receiver plugged in with the demo serial.
inline void resetTeacherState()
{
    DbTestSupport::resetTeacherState();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->onlineFlag = false;
    mem->currentSubjectName.clear();
    mem->currentSubjectID = 0;
    mem->currentRecord.localRecordID = -1;
    fakeReceiver()->connected = true;
    fakeReceiver()->serial = QString::fromLatin1(kStation);
}

} // namespace ToolbarTestSupport

// Runs the test from a private program directory.
#define TOOLBAR_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {                                        \
            QApplication app(c, v);                                                                                    \
            TestClass test;                                                                                            \
            return QTest::qExec(&test, c, v);                                                                          \
        });                                                                                                            \
    }

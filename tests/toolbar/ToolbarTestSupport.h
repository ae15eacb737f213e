#pragma once

// The demo teacher of tests/support/webservice/demo.json, a receiver the test controls, the ini file pointed
// at a web service, and main() in a private program directory.
#include "CodeTool.h"
#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZULoginSer.h"
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

inline const QString kPasswordMd5 = CodeTool::md5Hex(QString::fromLatin1(kPassword));

// The receiver type "fake" of the ini file.
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
    const QString ini = QString("[ClientInfo]\nDomain=127.0.0.1\nServerPort=%1\nhdTime=10\nhdType=%2\n").arg(port);
    file.write(ini.arg(hdType).toUtf8());
    file.close();
    return iniParse::getInstance()->loadFile(file.fileName());
}

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

// A fresh database and teacher state, the service without failures or logs, no planned answers.
inline bool freshStart(TavWebService& service)
{
    if (!DbTestSupport::freshDatabase())
        return false;
    resetTeacherState();
    service.clearFailures();
    service.clearRequests();
    service.clearUploads();
    DialogAnswerer::clear();
    return useServer(service.port());
}

// Every planned answer was given, and no box came unplanned.
inline bool dialogsAnswered()
{
    return DialogAnswerer::waitUntilAnswered() && DialogAnswerer::failures() == 0;
}

// An open lesson record begun at `start` on the demo receiver.
inline bool addOpenRecord(const QString& creator, int classID, const QString& start)
{
    return DbTestSupport::runOutside("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, "
                                     "status, classStatus, stationSn, createDate) values ('{u}', ?, ?, 1, ?, 0, 1, "
                                     "?, ?)",
                                     { creator, classID, start, kStation, start });
}

inline bool loginDemoTeacher()
{
    QString error;
    return ZULoginSer::getInstance()->onLineLogin(kTeacher, kPasswordMd5, error) == ZULoginSer::LoggedIn;
}

} // namespace ToolbarTestSupport

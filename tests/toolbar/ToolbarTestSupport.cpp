#include "ToolbarTestSupport.h"

#include "CodeTool.h"
#include "TAVMemInfo.h"
#include "TavWebService.h"
#include "ZUHdManager.h"
#include "iniParse.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>

namespace ToolbarTestSupport {

QString passwordMd5()
{
    return CodeTool::md5Hex(QString::fromLatin1(kPassword));
}

void FakeReceiver::pollDevice(QString& message)
{
    ++polls;
    if (!nextMessage.isEmpty()) {
        message = nextMessage;
        nextMessage.clear();
    }
}

FakeReceiver* fakeReceiver()
{
    static FakeReceiver* receiver = [] {
        auto* r = new FakeReceiver;
        ZUHdManager::registerApi("fake", r);
        return r;
    }();
    return receiver;
}

bool writeIni(const QString& host, int port, const QString& hdType)
{
    fakeReceiver();
    // A new file each time: QSettings keeps what it read of a path and may not notice a quick rewrite.
    static int count = 0;
    const QString dir = QCoreApplication::applicationDirPath() + "/conf";
    QDir().mkpath(dir);
    QFile file(dir + QString("/TAVConfig-%1.ini").arg(++count));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QString("[ClientInfo]\nDomain=%1\nServerPort=%2\nhdTime=10\nhdType=%3\n")
                   .arg(host)
                   .arg(port)
                   .arg(hdType)
                   .toUtf8());
    file.close();
    return iniParse::getInstance()->loadFile(file.fileName());
}

bool useService(const TavWebService& service, const QString& hdType)
{
    return writeIni("127.0.0.1", service.port(), hdType);
}

bool useUnreachableServer(const QString& hdType)
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return false;
    const int port = probe.serverPort();
    probe.close();
    return writeIni("127.0.0.1", port, hdType);
}

void resetTeacherState()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->onlineFlag = false;
    mem->currentTeacher = TeacherInfoRow();
    mem->classMap.clear();
    mem->snMap.clear();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->currentClass = ClassInfoRow();
    mem->subjectList.clear();
    mem->currentSubjectName.clear();
    mem->currentSubjectID = 0;
    mem->currentRecord = ClassRecordRow();
    mem->currentRecord.localRecordID = -1;
    mem->lastClass = 0;
    FakeReceiver* receiver = fakeReceiver();
    receiver->connected = true;
    receiver->serial = QString::fromLatin1(kStation);
    receiver->nextMessage.clear();
}

} // namespace ToolbarTestSupport

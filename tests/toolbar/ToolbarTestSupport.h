#pragma once

#include "ZUHdApi.h"

#include <QString>

class TavWebService;

// Shared by the tool bar tests: a receiver the test controls, the ini file pointed at a local web service,
// and the demo teacher of the service's data file.
namespace ToolbarTestSupport {

// The demo teacher of tests/support/webservice/demo.json and the serial of the receiver its classes use.
const char* const kTeacher = "teacher01";
const char* const kMobile = "13800000001";
const char* const kPassword = "tav123456";
const char* const kStation = "RF21X00001";
QString passwordMd5();

// A receiver whose state the test sets; registered as "fake", used when the ini file names it.
class FakeReceiver : public ZUHdApi
{
public:
    void initDevice() override { }
    void pollDevice(QString& message) override;
    bool isConnected() override { return connected; }
    QString serialNumber() override { return serial; }
    bool openDevice() override { return connected; }
    int stopQuiz() override { return 1; }
    int startSingleQuiz(int) override { return 1; }
    int startMultipleQuiz(int) override { return 1; }
    int startNumberQuiz() override { return 1; }
    int setKeypadId(int) override { return 1; }

    bool connected = true;
    QString serial = QString::fromLatin1(kStation);
    // Handed out by the next pollDevice, then cleared.
    QString nextMessage;
    int polls = 0;
};

FakeReceiver* fakeReceiver();

// Writes an ini file into conf/ of the program directory for the given server and receiver type and loads it.
bool writeIni(const QString& host, int port, const QString& hdType = QStringLiteral("fake"));
bool useService(const TavWebService& service, const QString& hdType = QStringLiteral("fake"));
// A loopback port nothing listens on.
bool useUnreachableServer(const QString& hdType = QStringLiteral("fake"));

// Back to nobody logged in, no class, no open record.
void resetTeacherState();

} // namespace ToolbarTestSupport

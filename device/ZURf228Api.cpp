#include "ZURf228Api.h"

#include "ZUHdData.h"
#include "ZUHdManager.h"
#include "ZUHdRelay.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

const int kDeviceType = 5;
const char kUrl[] = "hid://";
const int kOpenMode = 1;
const int kOpenChannel = 40;
const int kSerialCode = 480317;
const int kSerialSize = 12;
const int kHidSerialSize = 100;
const int kHidPathSize = 256;
// No machine has this many HID devices; it only keeps a misbehaving library from looping for ever.
const int kMaxHidDevices = 1024;
const int kQuizSingle = 2;
const int kQuizMultiple = 3;
const int kQuizNumber = 4;

// Windows device paths of this receiver begin with \\?\hid#vid_10c4, exactly in this letter case.
const QByteArray kReceiverPrefix = QByteArrayLiteral("\\\\?\\hid#vid_10c4");

void shutdownAtExit()
{
    ZURf228Api::getInstance()->shutdown();
}

} // namespace

void ZURf228Api::initDevice()
{
    m_connected = false;
    char hidSerial[kHidSerialSize];
    for (int index = 0; index < kMaxHidDevices && rf21x_getHidSerialNumber(index, hidSerial, kHidSerialSize); ++index) {
    }
    if (!m_device)
        m_device = rf21x_createDevice(kDeviceType);
    if (checkHidPresent() && openDevice()) {
        m_serial = readDeviceSerial();
        m_connected = true;
        qDebug() << "open hd device:" << static_cast<void*>(m_device);
        startThreads();
    }
}

void ZURf228Api::pollDevice(QString& message)
{
    const bool present = checkHidPresent();
    if (present == m_connected)
        return;
    if (present) {
        if (!openDevice()) {
            qWarning() << "****open hd device error";
            return;
        }
        m_serial = readDeviceSerial();
        message = tr("硬件连接成功");
        m_connected = true;
        startThreads();
    } else {
        m_serial.clear();
        message = tr("硬件连接异常");
        m_connected = false;
    }
    // What the keypads sent before the receiver went or came back belongs to no activity any more.
    ZUHdData::getInstance()->beginGeneration();
    emit ZUHdManager::getInstance()->devChange(m_connected);
}

bool ZURf228Api::isConnected()
{
    return m_connected;
}

QString ZURf228Api::serialNumber()
{
    return m_serial;
}

bool ZURf228Api::openDevice()
{
    return rf21x_open(m_device, kUrl, kOpenMode, kOpenChannel) != 0;
}

int ZURf228Api::stopQuiz()
{
    return rf21x_stopQuiz(m_device);
}

int ZURf228Api::startSingleQuiz(int count)
{
    return startAnswering(kQuizSingle, count);
}

int ZURf228Api::startMultipleQuiz(int count)
{
    return startAnswering(kQuizMultiple, count);
}

int ZURf228Api::startNumberQuiz()
{
    return startAnswering(kQuizNumber, -1);
}

int ZURf228Api::setKeypadId(int id)
{
    return rf21x_setKeypadId(m_device, id);
}

int ZURf228Api::startAnswering(int quizType, int count)
{
    const int result = rf21x_startQuiz(m_device, quizType, count, -1, 1);
    // Begun after the receiver took the start, so that nothing it held from before counts in the new activity.
    ZUHdData::getInstance()->beginGeneration();
    return result;
}

bool ZURf228Api::checkHidPresent()
{
    char buffer[kHidPathSize] = {};
    rf21x_getHidTempPath(0, buffer, kHidPathSize);
    // A path that fills the buffer has no terminating zero.
    const QByteArray path(buffer, int(qstrnlen(buffer, kHidPathSize)));
    const bool isReceiverPath = path.startsWith(kReceiverPrefix);
    if (m_hidPath.isNull()) {
        if (!isReceiverPath)
            return false;
        m_hidPath = path;
    } else if (isReceiverPath && path != m_hidPath) {
        m_hidPath = path;
    }
    // An unplugged receiver is detected through the last path it had.
    return rf21x_checkHidCable(m_hidPath.constData()) != 0;
}

QString ZURf228Api::readDeviceSerial()
{
    char buffer[kSerialSize] = {};
    if (!rf21x_readDeviceSerialNumber(m_device, kUrl, buffer, kSerialSize, kSerialCode))
        return QString();
    return QString::fromUtf8(buffer, int(qstrnlen(buffer, kSerialSize)));
}

void ZURf228Api::startThreads()
{
    ZUHdData::getInstance()->clearStop();
    ZUHdRelay::getInstance();
    ZURF228ReceiverThread* receiver = ZURF228ReceiverThread::getInstance();
    if (!receiver->isRunning())
        receiver->start(QThread::InheritPriority);
    ZURF228SendThread* sender = ZURF228SendThread::getInstance();
    if (!sender->isRunning())
        sender->start(QThread::InheritPriority);
    if (!m_exitHookAdded) {
        m_exitHookAdded = true;
        // Runs when the application object is destroyed, before statics go.
        qAddPostRoutine(&shutdownAtExit);
    }
}

void ZURf228Api::shutdown()
{
    ZURF228ReceiverThread* receiver = ZURF228ReceiverThread::getInstance();
    receiver->requestInterruption();
    receiver->wait();
    ZUHdData::getInstance()->requestStop();
    ZURF228SendThread::getInstance()->wait();
    if (m_device) {
        rf21x_stopQuiz(m_device);
        rf21x_close(m_device);
        rf21x_destoryDevice(m_device);
        m_device = nullptr;
    }
    m_connected = false;
}

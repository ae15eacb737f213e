#include "rf21x_api.h"

#include "Rf21xAnswerKey.h"
#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"

#include <QCoreApplication>

#include <cstring>

// The data field comes first, so that a reader running past its end meets the other fields, not zeros.
struct rf21x_message_s
{
    char data[RF21X_MESSAGE_DATA_SIZE] = {};
    bool hasData = false;
    int type = 0;
    int keypadId = 0;
    int quizNumber = 0;
    int timeStamp = 0;
};

namespace {

// Copies like the receiver does: the whole buffer may be used, the zero only when there is room for it.
int copyText(const QByteArray& text, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    const int length = qMin(int(text.size()), size);
    std::memcpy(buffer, text.constData(), size_t(length));
    if (length < size)
        buffer[length] = '\0';
    return 1;
}

const int kMaxHidPath = 4096;

} // namespace

extern "C" {

int RF21X_CALL rf21x_getHidSerialNumber(int index, char* buffer, int size)
{
    if (index < 0 || index >= Rf21xSimulator::instance()->hidDeviceCount())
        return 0;
    copyText(QByteArrayLiteral("HID") + QByteArray::number(index).rightJustified(4, '0'), buffer, size);
    return 1;
}

int RF21X_CALL rf21x_getHidTempPath(int index, char* buffer, int size)
{
    const QByteArray path = index == 0 ? Rf21xSimulator::instance()->currentHidPath() : QByteArray();
    copyText(path, buffer, size);
    return path.isEmpty() ? 0 : 1;
}

int RF21X_CALL rf21x_checkHidCable(const char* hidPath)
{
    if (!hidPath)
        return 0;
    return Rf21xSimulator::instance()->cableAttached(QByteArray(hidPath, int(qstrnlen(hidPath, kMaxHidPath)))) ? 1 : 0;
}

RF21X_DEVICE RF21X_CALL rf21x_createDevice(int deviceType)
{
    // The control channel comes up with the first device, inside a running program, and the demo keypads find
    // the numbers they were given before and the key of the paper the local web service serves.
    if (QCoreApplication::instance()) {
        Rf21xControlChannel::start();
        Rf21xSimulator::instance()->setNumbersFile(Rf21xControlChannel::numbersPath());
        Rf21xSimulator::instance()->setAnswerKeyFile(Rf21xAnswerKey::servedPath());
    }
    return Rf21xSimulator::instance()->createDevice(deviceType);
}

void RF21X_CALL rf21x_destoryDevice(RF21X_DEVICE device)
{
    Rf21xSimulator::instance()->destroyDevice(device);
}

int RF21X_CALL rf21x_open(RF21X_DEVICE device, const char* url, int mode, int channel)
{
    return Rf21xSimulator::instance()->open(device, url ? url : "", mode, channel);
}

void RF21X_CALL rf21x_close(RF21X_DEVICE device)
{
    Rf21xSimulator::instance()->close(device);
}

int RF21X_CALL rf21x_readDeviceSerialNumber(RF21X_DEVICE device, const char* url, char* buffer, int size, int code)
{
    QByteArray serial;
    if (!buffer || size <= 0)
        return 0;
    if (!Rf21xSimulator::instance()->readSerial(device, url ? url : "", size, code, &serial))
        return 0;
    return copyText(serial, buffer, size);
}

int RF21X_CALL rf21x_startQuiz(RF21X_DEVICE device, int quizType, int count, int reserved, int flags)
{
    return Rf21xSimulator::instance()->startQuiz(device, quizType, count, reserved, flags);
}

int RF21X_CALL rf21x_stopQuiz(RF21X_DEVICE device)
{
    return Rf21xSimulator::instance()->stopQuiz(device);
}

int RF21X_CALL rf21x_setKeypadId(RF21X_DEVICE device, int keypadId)
{
    return Rf21xSimulator::instance()->setKeypadId(device, keypadId);
}

RF21X_MESSAGE_BUFFER RF21X_CALL rf21x_createMessageBuffer(void)
{
    return new rf21x_message_s;
}

void RF21X_CALL rf21x_destoryMessageBuffer(RF21X_MESSAGE_BUFFER buffer)
{
    delete buffer;
}

int RF21X_CALL rf21x_getMessage(RF21X_DEVICE device, RF21X_MESSAGE_BUFFER buffer)
{
    Rf21xSimulator::Message message;
    if (!buffer || !Rf21xSimulator::instance()->takeMessage(device, &message))
        return 0;
    *buffer = rf21x_message_s();
    buffer->type = message.type;
    buffer->keypadId = message.keypadId;
    buffer->quizNumber = message.quizNumber;
    buffer->timeStamp = message.timeStamp;
    buffer->hasData = message.hasData;
    if (message.hasData)
        copyText(message.data, buffer->data, RF21X_MESSAGE_DATA_SIZE);
    return 1;
}

int RF21X_CALL rf21x_getMessageType(RF21X_MESSAGE_BUFFER buffer)
{
    Rf21xSimulator::instance()->runReadHook();
    return buffer ? buffer->type : 0;
}

int RF21X_CALL rf21x_getKeypadId(RF21X_MESSAGE_BUFFER buffer)
{
    return buffer ? buffer->keypadId : 0;
}

int RF21X_CALL rf21x_getQuizNumber(RF21X_MESSAGE_BUFFER buffer)
{
    return buffer ? buffer->quizNumber : 0;
}

int RF21X_CALL rf21x_getTimeStamp(RF21X_MESSAGE_BUFFER buffer)
{
    return buffer ? buffer->timeStamp : 0;
}

const char* RF21X_CALL rf21x_getData(RF21X_MESSAGE_BUFFER buffer)
{
    return buffer && buffer->hasData ? buffer->data : nullptr;
}

} // extern "C"

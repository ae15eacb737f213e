#include "ZURF228ReceiverThread.h"

#include "ZUHdData.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QMutexLocker>

namespace {

const int kIdlePollMs = 10;
const int kDefaultPauseMs = 2;

} // namespace

ZURF228ReceiverThread::ZURF228ReceiverThread()
    : m_messageBuffer(rf21x_createMessageBuffer())
{
    setObjectName(QStringLiteral("rf228-receiver"));
    const int hdTime = iniParse::getInstance()->getHdTime();
    m_pauseMs = hdTime > 0 ? hdTime : kDefaultPauseMs;
}

ZURF228ReceiverThread::~ZURF228ReceiverThread()
{
    rf21x_destoryMessageBuffer(m_messageBuffer);
}

bool ZURF228ReceiverThread::pollOnce()
{
    ZUHdData* data = ZUHdData::getInstance();
    quint64 generation = 0;
    {
        // No start comes between noting the generation and taking the message: a press taken after a start
        // returned always counts in it, one taken before never does.
        QMutexLocker taking(data->takeMutex());
        generation = data->generation();
        if (!rf21x_getMessage(ZURf228Api::getInstance()->deviceHandle(), m_messageBuffer))
            return false;
    }
    switch (rf21x_getMessageType(m_messageBuffer)) {
    case 1:
        data->appendTeacher(dataText());
        break;
    case 2: {
        StudentInfo info;
        info.keypadId = rf21x_getKeypadId(m_messageBuffer);
        info.quizNumber = rf21x_getQuizNumber(m_messageBuffer);
        info.timeStamp = rf21x_getTimeStamp(m_messageBuffer);
        info.data = dataText();
        data->appendStudent(info, generation);
        break;
    }
    case 3:
        data->appendSetId(dataText());
        break;
    default:
        data->wake();
        break;
    }
    return true;
}

void ZURF228ReceiverThread::run()
{
    while (!isInterruptionRequested())
        msleep(pollOnce() ? m_pauseMs : kIdlePollMs);
}

QString ZURF228ReceiverThread::dataText() const
{
    // The data field is fixed-size and not terminated when full; a message without data has no field at all.
    const char* text = rf21x_getData(m_messageBuffer);
    if (!text)
        return QString();
    return QString::fromUtf8(text, int(qstrnlen(text, RF21X_MESSAGE_DATA_SIZE)));
}

#include "ZUStepExamSer.h"

#include "ZUExamMem.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUStepExamView.h"

#include <QTimer>
#include <QtDebug>

ZUStepExamSer::ZUStepExamSer()
{
    connect(m_timer, &QTimer::timeout, this, &ZUStepExamSer::__timeout);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUStepExamSer::__studentData);
}

int ZUStepExamSer::checkExamSettings(QString& error)
{
    if (m_totalQ == 0) {
        qWarning() << "****the m_totalQ is 0";
        error = tr("无法获取试题信息");
        return -1;
    }
    m_examTime = ZUExamMem::getInstance()->m_examDuration;
    if (5 * m_totalQ > m_examTime) {
        qWarning() << "****the m_examTime is not avalid";
        error = tr("时间设置不合理，请重新设置");
        return -1;
    }
    m_itemTime = m_examTime / m_totalQ;
    return 0;
}

int ZUStepExamSer::getExamTimeByQIndex(int question) const
{
    QMap<int, int> scratch;
    return optionCountFor(question, scratch) * m_itemTime;
}

int ZUStepExamSer::startExam(int question, QString& error)
{
    logState("enter start teamExam");
    if (receiverSerial().isEmpty()) {
        error = tr("无法获接收器信息，请检查接收器！");
        return -1;
    }
    if (m_state != 0 && m_state != 3) {
        qWarning() << "****the exam state is error";
        return -1;
    }
    // A question without answer items could take no answer: refuse it before anything changes.
    QMap<int, int> itemMap;
    const int count = optionCountFor(question, itemMap);
    if (count <= 0 || itemMap.isEmpty()) {
        qWarning() << "****the count is error";
        error = tr("无法获取试题信息");
        return -1;
    }

    m_state = 1;
    m_currentQuestion = question;
    m_questionStart = QDateTime::currentDateTime();
    stampQuizStart();
    __clearAnswerByQIndex(question);
    m_itemMap = itemMap;
    m_examTime = m_itemTime * count;
    if (m_view)
        m_view->setTimeLabels(m_examTime);

    m_severalItems = count > 1 ? 1 : 0;
    const int receiverCount = count > 1 ? count : -1;
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi()) {
        if (isMulByQID(question))
            api->startMultipleQuiz(receiverCount);
        else
            api->startSingleQuiz(receiverCount);
    }
    runCountdown();
    return 0;
}

void ZUStepExamSer::pauseToStart()
{
    logState("enter pauseToStart");
    if (m_state != 2) {
        qWarning() << "****the exam state is error";
        return;
    }
    runCountdown();
}

void ZUStepExamSer::stopExam()
{
    logState("enter stopExam");
    if (m_state != 1 && m_state != 2) {
        qWarning() << "****the exam state is error";
        return;
    }
    for (StudentAnswerRecord& record : m_answerRecords)
        record.sumQuestionSeconds();
    m_state = 3;
    m_timer->stop();
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->stopQuiz();
    if (m_view) {
        m_view->onQuestionFinished();
        m_view->setTimeLabels(0);
    }
    ZUSound::getInstance()->playStopAnswer();
}

void ZUStepExamSer::__timeout()
{
    if (m_state != 1)
        return;
    countDown(m_examTime);
    if (m_examTime == 0)
        stopExam();
    if (m_view)
        m_view->setTimeLabels(m_examTime);
}

void ZUStepExamSer::__studentData(StudentInfo stuInfo)
{
    if (m_state != 1 && m_state != 2)
        return;
    const QString dovaneID = studentOfKeypad(stuInfo);
    if (dovaneID.isEmpty())
        return;
    // One item takes every quiz number; several are told apart by it.
    int item = 0;
    if (m_severalItems == 0) {
        item = m_itemMap.first();
    } else if (stuInfo.quizNumber <= 0) {
        qWarning() << "****the quiz number" << stuInfo.quizNumber << "names no item";
        return;
    } else if (m_itemMap.contains(stuInfo.quizNumber)) {
        item = m_itemMap.value(stuInfo.quizNumber);
    } else {
        return;
    }
    const int seconds = int(m_questionStart.secsTo(QDateTime::currentDateTime()));
    int answered = 0;
    StudentAnswerRecord* record = takeAnswer(dovaneID, item - 1, stuInfo.data, answered);
    if (!record)
        return;
    record->setQuestionSeconds(m_currentQuestion, seconds);
    const QList<QuestionRecord> items = subQuestionsByQuestion(m_currentQuestion);
    if (!items.isEmpty())
        record->countAnswered(items.first().mcsn - 1, items.last().mcsn - 1, answered);
    if (m_view)
        m_view->onStudentAnswered(dovaneID, answered);
}

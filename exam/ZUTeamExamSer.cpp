#include "ZUTeamExamSer.h"

#include "ZUExamMem.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUTeamExamView.h"
#include "ZUTipDlg.h"

#include <QTimer>
#include <QtDebug>

ZUTeamExamSer::ZUTeamExamSer()
{
    connect(m_timer, &QTimer::timeout, this, &ZUTeamExamSer::__timeout);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUTeamExamSer::__studentData);
}

bool ZUTeamExamSer::allowed(bool inState, bool needsTime, QString& error) const
{
    if (!inState) {
        qWarning() << "****the exam state is error";
        error = tr("考试状态错误！");
        return false;
    }
    if (needsTime && m_examTime == 0) {
        qWarning() << "****the examtime is 0";
        error = tr("时间设置不合理，请重新设置!");
        return false;
    }
    return true;
}

void ZUTeamExamSer::showTime()
{
    if (m_view)
        m_view->setTimeLabels(m_examTime);
}

void ZUTeamExamSer::resetExamTime()
{
    m_examTime = ZUExamMem::getInstance()->m_examDuration;
}

void ZUTeamExamSer::addExamTime()
{
    if (m_examTime + 60 > kMaxExamTime)
        return;
    m_examTime += 60;
    showTime();
}

void ZUTeamExamSer::decExamTime()
{
    if (m_examTime <= 60)
        return;
    m_examTime -= 60;
    showTime();
}

int ZUTeamExamSer::startExam(QString& error)
{
    logState("enter start teamExam");
    if (receiverSerial().isEmpty()) {
        error = tr("无法获接收器信息，请检查接收器！");
        return -1;
    }
    if (!allowed(m_state == 0, false, error))
        return -1;
    m_examStart = QDateTime::currentDateTime();
    stampQuizStart();
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->startMultipleQuiz(m_totalQ);
    runCountdown();
    return 0;
}

int ZUTeamExamSer::pauseToStart(QString& error)
{
    logState("enter pauseToStart");
    if (!allowed(m_state == 2, true, error))
        return -1;
    runCountdown();
    return 0;
}

int ZUTeamExamSer::stopExam(QString& error)
{
    logState("enter stopExam");
    if (!allowed(m_state == 1 || m_state == 2, false, error))
        return -1;
    m_state = 3;
    m_timer->stop();
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    if (!api || !api->stopQuiz()) {
        error = tr("调用硬件接口失败！");
        return -1;
    }
    if (m_view)
        m_view->onExamFinished();
    ZUSound::getInstance()->playStopAnswer();
    return 0;
}

int ZUTeamExamSer::stopToStart(QString& error)
{
    logState("enter stopToStart");
    if (!allowed(m_state == 3, true, error))
        return -1;
    // Answers go on accumulating, their seconds still counted from the first start.
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->startMultipleQuiz(m_totalQ);
    runCountdown();
    return 0;
}

void ZUTeamExamSer::__timeout()
{
    if (m_state != 1)
        return;
    countDown(m_examTime);
    if (m_examTime == 0) {
        QString error;
        if (stopExam(error) != 0) {
            ZUTipDlg* box = ZUTipDlg::getInstance();
            box->setText(error, tr("信息"));
            box->setButtons(2, 0);
            box->exec();
            // The quiz has stopped all the same; the screen must show it.
            if (m_view)
                m_view->onExamFinished();
        }
    }
    showTime();
}

void ZUTeamExamSer::__studentData(StudentInfo stuInfo)
{
    if (m_state != 1 && m_state != 2)
        return;
    const QString dovaneID = studentOfKeypad(stuInfo);
    if (dovaneID.isEmpty() || stuInfo.quizNumber > m_totalQ)
        return;
    if (stuInfo.quizNumber <= 0) {
        qWarning() << "****the quiz number" << stuInfo.quizNumber << "names no item";
        return;
    }
    const int seconds = int(m_examStart.secsTo(QDateTime::currentDateTime()));
    int answered = 0;
    StudentAnswerRecord* record = takeAnswer(dovaneID, stuInfo.quizNumber - 1, stuInfo.data, answered);
    if (!record)
        return;
    record->setUsedTime(seconds);
    if (m_view)
        m_view->setStudentTileState(dovaneID, answered);
}

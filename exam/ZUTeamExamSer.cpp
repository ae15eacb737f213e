#include "ZUTeamExamSer.h"

#include "TAVMemInfo.h"
#include "ZUExamMem.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUTeamExamView.h"
#include "ZUTipDlg.h"

#include <QTimer>
#include <QtDebug>

ZUTeamExamSer::ZUTeamExamSer()
    : m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &ZUTeamExamSer::__timeout);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUTeamExamSer::__studentData);
}

void ZUTeamExamSer::logState(const char* operation) const
{
    qDebug() << operation;
    qDebug() << "the exam state is: " << m_state;
}

bool ZUTeamExamSer::refuseState(bool allowed, QString& error) const
{
    if (allowed)
        return false;
    qWarning() << "****the exam state is error";
    error = tr("考试状态错误！");
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
    if (refuseState(m_state == 0, error))
        return -1;
    m_state = 1;
    m_examStart = QDateTime::currentDateTime();
    m_examRow.localRecordID = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    m_examRow.startTime = nowText();
    m_examRow.paperID = m_replyPaperID;
    m_examRow.status = 0;
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->startMultipleQuiz(m_totalQ);
    m_timer->start(1000);
    ZUSound::getInstance()->playStartAnswer();
    return 0;
}

void ZUTeamExamSer::pauseExam()
{
    logState("enter pauseExam");
    if (m_state != 1) {
        qWarning() << "****the exam state is error";
        return;
    }
    m_state = 2;
    m_timer->stop();
    ZUSound::getInstance()->playSuspendAnswer();
}

int ZUTeamExamSer::pauseToStart(QString& error)
{
    logState("enter pauseToStart");
    if (refuseState(m_state == 2, error))
        return -1;
    if (m_examTime == 0) {
        qWarning() << "****the examtime is 0";
        error = tr("时间设置不合理，请重新设置!");
        return -1;
    }
    m_timer->start(1000);
    m_state = 1;
    ZUSound::getInstance()->playStartAnswer();
    return 0;
}

int ZUTeamExamSer::stopExam(QString& error)
{
    logState("enter stopExam");
    if (refuseState(m_state == 1 || m_state == 2, error))
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
    if (refuseState(m_state == 3, error))
        return -1;
    if (m_examTime == 0) {
        qWarning() << "****the examtime is 0";
        error = tr("时间设置不合理，请重新设置!");
        return -1;
    }
    m_state = 1;
    m_timer->start(1000);
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->startMultipleQuiz(m_totalQ);
    ZUSound::getInstance()->playStartAnswer();
    return 0;
}

void ZUTeamExamSer::quitExam()
{
    logState("enter quitExam");
    if (m_state != 3)
        return;
    m_state = 0;
    m_timer->stop();
    if (ZUHdApi* api = ZUHdManager::getInstance()->currentApi())
        api->stopQuiz();
    saveQuiz(m_examRow);
}

void ZUTeamExamSer::__timeout()
{
    if (m_state != 1)
        return;
    m_examTime = qMax(0, m_examTime - 1);
    if (m_examTime >= 1 && m_examTime <= 5)
        ZUSound::getInstance()->playCountdown();
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

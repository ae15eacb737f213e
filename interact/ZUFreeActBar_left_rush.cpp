#include "ZUFreeActBar_left_rush.h"

#include "AnimationTool.h"
#include "TAVMemInfo.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActStore.h"
#include "ZUFreeFullWig.h"
#include "ZUFreePanelParts.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVRandomStu.h"

#include <QLabel>
#include <QPushButton>

using namespace ZUFreePanelParts;

namespace {

const int kWidth = 430;
const int kHeight = 110;
const int kFrameHeight = 96;

} // namespace

ZUFreeActBar_left_rush::ZUFreeActBar_left_rush()
    : ZUTAVDialogBase(ZUFreeFullWig::getInstance())
{
    setWindowFlags(Qt::Widget);
    setObjectName("ZUTAVFreeActBar_left_rush");
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kWidth, kHeight);

    auto* rush_frame = new QWidget(this);
    rush_frame->setObjectName("rush_frame");
    rush_frame->setGeometry(rect());
    m_bar = new QWidget(rush_frame);
    m_bar->setObjectName("actleftBarWidgeRush");
    m_bar->setAttribute(Qt::WA_StyledBackground);
    m_bar->setStyleSheet("#actleftBarWidgeRush{border-image: url(images:interactBar/bar_left_short.png);}");
    m_bar->setGeometry(0, (kHeight - kFrameHeight) / 2, kWidth, kFrameHeight);

    m_title = new QLabel(tr("抢答"), m_bar);
    m_title->setObjectName("titleRush");
    m_title->setStyleSheet("color: rgb(85, 85, 85); font: bold 22px \"微软雅黑\";");
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setGeometry(22, 0, 70, kFrameHeight);

    auto* widget_2ttt = new QWidget(m_bar);
    widget_2ttt->setObjectName("widget_2ttt");
    widget_2ttt->setAttribute(Qt::WA_StyledBackground);
    widget_2ttt->setStyleSheet("#widget_2ttt{background: rgb(224, 235, 245); border-radius: 40px;}");
    widget_2ttt->setGeometry(94, 8, 80, 80);
    m_dialBg = new QLabel(widget_2ttt);
    m_dialBg->setObjectName("label_3ttt");
    m_dialBg->setStyleSheet("border-image: url(images:interactBar/cir_bg.png);");
    m_dialBg->setGeometry(4, 4, 72, 72);
    m_seconds = new QLabel(widget_2ttt);
    m_seconds->setObjectName("answerTimeRush");
    m_seconds->setAlignment(Qt::AlignCenter);
    m_seconds->setStyleSheet("color: rgb(255, 255, 255); font: bold 28px \"微软雅黑\";");
    m_seconds->setGeometry(4, 4, 72, 72);
    m_dial = new QLabel(m_bar);
    m_dial->setObjectName("timeLabelRush");
    m_dial->setGeometry(182, 30, 36, 36);

    m_start = roundButton(m_bar, "startRush", tr("开始"), "start-normal", "start-press", 224, kFrameHeight);
    m_pause = roundButton(m_bar, "pauseRush", tr("暂停"), "pause-nomal", "pause-press", 224, kFrameHeight);
    m_end = roundButton(m_bar, "endRush", tr("停止"), "end-nomal", "end-press", 276, kFrameHeight);
    m_list = roundButton(m_bar, "stulistBtnRush", tr("列表"), "list-nomal", "list-Press", 328, kFrameHeight);
    m_start->hide();
    connect(m_pause, &QPushButton::clicked, this, &ZUFreeActBar_left_rush::on_pause_clicked);
    connect(m_start, &QPushButton::clicked, this, &ZUFreeActBar_left_rush::on_start_clicked);
    connect(m_end, &QPushButton::clicked, this, &ZUFreeActBar_left_rush::on_end_clicked);
    connect(m_list, &QPushButton::clicked, this, &ZUFreeActBar_left_rush::on_list_clicked);

    m_homeRect = m_bar->geometry();
    m_hiddenRect = m_homeRect.translated(m_homeRect.width() + 1, 0);
    prepareSlide(&m_show, &m_hide, m_bar, m_homeRect, m_hiddenRect);
    connect(&m_hide, &QPropertyAnimation::finished, this, &ZUFreeActBar_left_rush::__end_finish);
    connect(&m_clock, &QTimer::timeout, this, &ZUFreeActBar_left_rush::timeout);
    connect(ZUFreeActBar::getInstance(), &ZUFreeActBar::dlgMove, this, &ZUFreeActBar_left_rush::__dlgMove);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, &ZUFreeActBar_left_rush::__getTeacherData);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUFreeActBar_left_rush::__setStudentData);
    hide();
}

void ZUFreeActBar_left_rush::setDial(const char* image)
{
    m_dial->setStyleSheet(dialStyle(image));
}

void ZUFreeActBar_left_rush::showRunning(bool running)
{
    m_pause->setVisible(running);
    m_start->setVisible(!running);
}

bool ZUFreeActBar_left_rush::pauseVisible() const
{
    return !m_pause->isHidden();
}

QString ZUFreeActBar_left_rush::secondsText() const
{
    return m_seconds->text();
}

void ZUFreeActBar_left_rush::launchRush()
{
    m_winnerFound = false;
    startRushRound(ZUFreeAnswerSer::Rush, true);
    if (ZUHdApi* api = device())
        api->startSingleQuiz(-1);
}

void ZUFreeActBar_left_rush::startRushRound(int answerType, bool animate)
{
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    list->insertAnswerIntoDatabase();
    ZUSound::getInstance()->playStartAnswer();
    m_presses.begin();
    ZUFreeActBar::getInstance()->setFreeState(ZUFreeActSer::RushRunning);
    list->hide();

    m_answerType = answerType;
    m_row = ZUFreeActStore::newRow(answerType, QStringLiteral("1"));
    ZUFreeActStore::beginInteraction(&m_row);

    m_remain = TAVMemInfo::getInstance()->configMap.value("TimeLimit").toInt(nullptr, 10);
    m_seconds->setText(QString::number(m_remain));
    m_clock.start(1000);
    showRunning(true);
    setDial("time_g");

    show();
    __dlgMove();
    ZUFreeActBar::getInstance()->raise();
    if (animate) {
        m_hide.stop();
        m_show.start();
    } else if (m_bar->geometry() != m_homeRect) {
        m_bar->setGeometry(m_homeRect);
    }
}

void ZUFreeActBar_left_rush::__setStudentData(StudentInfo stu_info)
{
    if (ZUFreeActBar::getInstance()->freeState() != ZUFreeActSer::RushRunning)
        return;
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    if (m_presses.accept(stu_info, mem->snMap, ZUFreeActStore::now()) == ZUFreeRushSer::Ignored)
        return;
    ZUFreeActStore::keepResult(m_presses.resultRow(m_presses.presses().size() - 1, m_row.interactID, mem->snMap));
    if (m_winnerFound)
        return;
    m_winnerFound = true;
    m_remain = 3;
    m_seconds->setText("0");
    showRunning(false);
    setDial("time_r");
    const QString id = mem->snMap.value(QString::number(stu_info.keypadId));
    ZUTAVRandomStu::getInstance()->showName(mem->studentMap.value(id).name);
    ZUSound::getInstance()->playBindingSuc();
}

void ZUFreeActBar_left_rush::timeout()
{
    if (m_remain > 0) {
        --m_remain;
        if (!m_winnerFound)
            m_seconds->setText(QString::number(m_remain));
    }
    if (m_remain >= 1 && m_remain <= 5 && !m_winnerFound)
        ZUSound::getInstance()->playCountdown();
    if (m_remain <= 0)
        stopRushRound();
}

void ZUFreeActBar_left_rush::stopRushRound()
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    if (bar->freeState() != ZUFreeActSer::RushRunning)
        return;
    if (!m_presses.hasWinner()) {
        ZUSound::getInstance()->playStopAnswer();
        ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), tr("抢答结束"), 2, true);
    }
    m_clock.stop();
    showRunning(false);
    setDial("time_r");
    bar->setFreeState(ZUFreeActSer::RushEnded);
    bar->showEndAnimation();
    if (ZUHdApi* api = device())
        api->stopQuiz();
    const QMap<QString, QString>& snMap = TAVMemInfo::getInstance()->snMap;
    ZUFreeActStore::finishInteraction(m_row, m_presses.resultRows(m_row.interactID, snMap));
}

void ZUFreeActBar_left_rush::on_pause_clicked()
{
    ZUSound::getInstance()->playSuspendAnswer();
    m_clock.stop();
    setDial("time_y");
    showRunning(false);
}

void ZUFreeActBar_left_rush::on_start_clicked()
{
    if (m_clock.isActive())
        return;
    if (m_remain >= 1 && !m_winnerFound) {
        ZUSound::getInstance()->playStartAnswer();
        m_clock.start(1000);
        showRunning(true);
        setDial("time_g");
        return;
    }
    // A paused round that already has a winner is stored before the next one begins.
    stopRushRound();
    ZUFreeActBar::getInstance()->showStartAnimation();
    startRushRound(ZUFreeAnswerSer::Rush, false);
    if (ZUHdApi* api = device())
        api->startSingleQuiz(-1);
    showRunning(true);
    m_winnerFound = false;
    ZUTAVRandomStu::getInstance()->hide();
}

void ZUFreeActBar_left_rush::on_end_clicked()
{
    m_seconds->setText("0");
    m_remain = 0;
    stopRushRound();
}

void ZUFreeActBar_left_rush::on_list_clicked()
{
    if (m_remain > 0)
        return;
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    if (list->isVisible()) {
        AnimationTool::getInstance()->animateWidget(250, list, AnimationTool::Bottom, false);
        return;
    }
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    const FreeListRows rows = m_presses.listRows(mem->studentMap, mem->snMap);
    list->setAnswerNames(rows.options, rows.names, m_answerType, -1);
    list->show();
    AnimationTool::getInstance()->animateWidget(250, list, AnimationTool::Bottom, true);
}

void ZUFreeActBar_left_rush::hidePanel(bool wait)
{
    m_show.stop();
    m_hide.start();
    if (wait && m_hide.state() == QAbstractAnimation::Running)
        m_loop.exec();
}

void ZUFreeActBar_left_rush::__end_finish()
{
    hide();
    m_loop.quit();
}

void ZUFreeActBar_left_rush::__dlgMove()
{
    if (!isVisible())
        return;
    const ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    move(bar->x() + bar->width() / 2 - width(), bar->y());
}

void ZUFreeActBar_left_rush::__getTeacherData(TeacherInfo tdata)
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    const int state = bar->freeState();
    if (!bar->isVisible() || (state != ZUFreeActSer::RushRunning && state != ZUFreeActSer::RushEnded))
        return;
    const QString& key = tdata.data;
    if (key == QLatin1String("power"))
        bar->on_actCBtn_zurelease();
    else if (key == QLatin1String("report"))
        on_list_clicked();
    else if (key == QLatin1String("start/pause"))
        pauseVisible() ? on_pause_clicked() : on_start_clicked();
    else if (key == QLatin1String("stop"))
        on_end_clicked();
}

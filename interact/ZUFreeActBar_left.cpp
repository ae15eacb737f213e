#include "ZUFreeActBar_left.h"

#include "AnimationTool.h"
#include "TAVMemInfo.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActStore.h"
#include "ZUFreeCard.h"
#include "ZUFreeFullWig.h"
#include "ZUFreePanelParts.h"
#include "ZUFreeStuList.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUSound.h"
#include "ZUTAVAnswerGraph.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAutoMsg.h"

#include <QLabel>
#include <QPushButton>

using namespace ZUFreePanelParts;

namespace {

const int kWidth = 620;
const int kHeight = 110;
const int kFrameHeight = 96;
// A whole class answering at the receiver's pace would otherwise repaint the panel a hundred times a second.
const int kCountFrameMs = 40;

} // namespace

ZUFreeActBar_left::ZUFreeActBar_left()
    : QDialog(ZUFreeFullWig::getInstance())
{
    setWindowFlags(Qt::Widget);
    setObjectName("ZUTAVFreeActBar_left");
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kWidth, kHeight);

    m_frame = new QWidget(this);
    m_frame->setObjectName("actleftBarWidge");
    m_frame->setAttribute(Qt::WA_StyledBackground);
    m_frame->setStyleSheet("#actleftBarWidge{border-image: url(images:interactBar/bar_left.png);}");
    m_frame->setGeometry(0, (kHeight - kFrameHeight) / 2, kWidth, kFrameHeight);

    m_title = new QLabel(m_frame);
    m_title->setObjectName("title");
    m_title->setStyleSheet("color: rgb(85, 85, 85); font: bold 22px \"微软雅黑\";");
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setGeometry(22, 0, 112, kFrameHeight);

    m_timeLabel = new QLabel(m_frame);
    m_timeLabel->setObjectName("timeLabel");
    m_timeLabel->setGeometry(138, 30, 36, 36);
    m_answerTime = new QLabel(m_frame);
    m_answerTime->setObjectName("answerTime");
    m_answerTime->setStyleSheet("color: rgb(57, 186, 96); font: bold 28px \"微软雅黑\";");
    m_answerTime->setGeometry(178, 0, 58, kFrameHeight);

    m_countCaption = new QLabel(m_frame);
    m_countCaption->setObjectName("countCaption");
    m_countCaption->setStyleSheet("color: rgb(136, 136, 136); font: 14px \"微软雅黑\";");
    m_countCaption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_countCaption->setGeometry(238, 16, 62, 24);
    m_stulist = new QLabel(m_frame);
    m_stulist->setObjectName("stulist");
    m_stulist->setStyleSheet("color: rgb(255, 137, 10); font: bold 26px \"微软雅黑\";");
    m_stulist->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_stulist->setGeometry(238, 40, 62, 36);
    // The two figures that change while answers come in are clear: they paint no background of their own.
    m_answerTime->setAttribute(Qt::WA_NoSystemBackground);
    m_stulist->setAttribute(Qt::WA_NoSystemBackground);

    m_start = roundButton(m_frame, "start", tr("开始"), "start-normal", "start-press", 306, kFrameHeight);
    m_pause = roundButton(m_frame, "pause", tr("暂停"), "pause-nomal", "pause-press", 306, kFrameHeight);
    m_end = roundButton(m_frame, "end", tr("停止"), "end-nomal", "end-press", 358, kFrameHeight);
    m_graph = roundButton(m_frame, "graph", tr("图形"), "graph-nomal", "graph-press", 410, kFrameHeight);
    m_list = roundButton(m_frame, "stulistBtn", tr("列表"), "list-nomal", "list-Press", 462, kFrameHeight);
    m_join = roundButton(m_frame, "stujionBtn", tr("答题人"), "stujoin-nomal", "stujoin-press", 514, kFrameHeight);
    m_start->hide();
    connect(m_start, &QPushButton::clicked, this, &ZUFreeActBar_left::on_start_clicked);
    connect(m_pause, &QPushButton::clicked, this, &ZUFreeActBar_left::on_pause_clicked);
    connect(m_end, &QPushButton::clicked, this, &ZUFreeActBar_left::on_end_clicked);
    connect(m_graph, &QPushButton::clicked, this, &ZUFreeActBar_left::on_graph_clicked);
    connect(m_list, &QPushButton::clicked, this, &ZUFreeActBar_left::on_list_clicked);
    connect(m_join, &QPushButton::clicked, this, &ZUFreeActBar_left::on_stujionBtn_clicked);

    m_openRect = m_frame->geometry();
    m_closedRect = m_openRect.translated(m_openRect.width() + 1, 0);
    prepareSlide(&m_show, &m_hide, m_frame, m_openRect, m_closedRect);
    connect(&m_hide, &QPropertyAnimation::finished, this, &ZUFreeActBar_left::__end_finish);
    connect(&m_clock, &QTimer::timeout, this, &ZUFreeActBar_left::timeout);
    m_countPace.setSingleShot(true);
    m_countPace.setInterval(kCountFrameMs);
    connect(&m_countPace, &QTimer::timeout, this, &ZUFreeActBar_left::__countPaced);
    connect(ZUFreeActBar::getInstance(), &ZUFreeActBar::dlgMove, this, &ZUFreeActBar_left::__dlgMove);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendTeacherData, this, &ZUFreeActBar_left::__getTeacherData);
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, &ZUFreeActBar_left::__setStudentData);
    hide();
}

QWidget* ZUFreeActBar_left::cardFor(int answerType)
{
    switch (answerType) {
    case ZUFreeAnswerSer::Vote:
        return ZUFreeDecide::getInstance();
    case ZUFreeAnswerSer::YesNo:
        return ZUFreeWhether::getInstance();
    case ZUFreeAnswerSer::Evaluate:
        return ZUFreeEvaluate::getInstance();
    default:
        return nullptr;
    }
}

void ZUFreeActBar_left::hideCards()
{
    ZUFreeDecide::getInstance()->hide();
    ZUFreeWhether::getInstance()->hide();
    ZUFreeEvaluate::getInstance()->hide();
}

void ZUFreeActBar_left::startType(int answerType)
{
    startRound(answerType);
    if (ZUHdApi* api = device()) {
        if (answerType == ZUFreeAnswerSer::Multiple)
            api->startMultipleQuiz(-1);
        else if (answerType == ZUFreeAnswerSer::Digit)
            api->startNumberQuiz();
        else
            api->startSingleQuiz(-1);
    }
    m_title->setText(ZUFreeAnswerSer::typeName(answerType));
    if (QWidget* card = cardFor(answerType)) {
        card->show();
        AnimationTool::getInstance()->animateWidget(250, card, AnimationTool::Left, true);
    }
    m_restartType = answerType;
}

void ZUFreeActBar_left::startRound(int answerType)
{
    ZUTAVAnswerList::getInstance()->insertAnswerIntoDatabase();
    ZUSound::getInstance()->playStartAnswer();
    ZUFreeStuList::getInstance()->clearAnswered();
    m_answers.begin(answerType);
    ZUFreeActBar::getInstance()->setFreeState(ZUFreeActSer::Running);

    m_row = ZUFreeActStore::newRow(answerType, QStringLiteral("-1"));
    ZUFreeActStore::beginInteraction(&m_row);

    m_remaining = TAVMemInfo::getInstance()->configMap.value("TimeLimit").toInt(nullptr, 10);
    m_answerTime->setText(QString::number(m_remaining));
    m_clock.start(1000);
    showRunning(true);
    setDial("time_g");
    m_countPace.stop();
    m_countDue = false;
    m_stulist->setText("0");
    m_countCaption->setText(ZUFreeAnswerSer::answeredCaption(answerType));

    __dlgMove();
    show();
    ZUFreeActBar::getInstance()->raise();
    if (m_frame->geometry() != m_openRect) {
        m_hide.stop();
        m_show.start();
    }
}

void ZUFreeActBar_left::setDial(const char* image)
{
    m_timeLabel->setStyleSheet(dialStyle(image));
}

void ZUFreeActBar_left::showRunning(bool running)
{
    m_pause->setVisible(running);
    m_start->setVisible(!running);
}

bool ZUFreeActBar_left::pauseVisible() const
{
    return !m_pause->isHidden();
}

QString ZUFreeActBar_left::answeredCountText() const
{
    return m_stulist->text();
}

QString ZUFreeActBar_left::title() const
{
    return m_title->text();
}

bool ZUFreeActBar_left::isAnonymous() const
{
    return TAVMemInfo::getInstance()->configMap.value("AnonymousFeedback") == QLatin1String("1")
        && ZUFreeAnswerSer::isFeedback(m_answers.answerType());
}

void ZUFreeActBar_left::timeout()
{
    if (m_remaining > 0) {
        --m_remaining;
        m_answerTime->setText(QString::number(m_remaining));
    }
    if (m_remaining > 0 && m_remaining <= 5)
        ZUSound::getInstance()->playCountdown();
    if (m_remaining <= 0)
        stopRound();
}

void ZUFreeActBar_left::on_pause_clicked()
{
    ZUSound::getInstance()->playSuspendAnswer();
    m_clock.stop();
    setDial("time_y");
    showRunning(false);
}

void ZUFreeActBar_left::on_start_clicked()
{
    if (m_remaining > 0) {
        ZUSound::getInstance()->playStartAnswer();
        m_clock.start(1000);
        showRunning(true);
        setDial("time_g");
        return;
    }
    ZUTAVAnswerList::getInstance()->hide();
    ZUTAVAnswerGraph::getInstance()->hide();
    ZUFreeActBar::getInstance()->showStartAnimation();
    if (m_restartType >= 0)
        startType(m_restartType);
}

void ZUFreeActBar_left::stopRound()
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    if (bar->freeState() != ZUFreeActSer::Running)
        return;
    if (ZUHdApi* api = device())
        api->stopQuiz();
    bar->setFreeState(ZUFreeActSer::Ended);
    bar->showEndAnimation();
    ZUSound::getInstance()->playStopAnswer();

    m_clock.stop();
    m_remaining = 0;
    if (m_countDue)
        showCount();
    m_countPace.stop();
    m_countDue = false;
    showRunning(false);
    setDial("time_r");
    m_answerTime->setText("0");
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), ZUFreeAnswerSer::endNotice(m_answers.answerType()), 1,
                                             true);
    hideCards();
    const QMap<QString, QString>& snMap = TAVMemInfo::getInstance()->snMap;
    // Written on the writer's thread, also when the file is busy or full for a while.
    ZUFreeActStore::finishInteraction(m_row, m_answers.resultRows(m_row.interactID, snMap));
}

void ZUFreeActBar_left::__setStudentData(StudentInfo stu_info)
{
    if (ZUFreeActBar::getInstance()->freeState() != ZUFreeActSer::Running)
        return;
    const QMap<QString, QString>& snMap = TAVMemInfo::getInstance()->snMap;
    if (!m_answers.accept(stu_info, snMap, ZUFreeActStore::now()))
        return;
    ZUFreeActStore::keepResult(m_answers.resultRow(m_row.interactID, QString::number(stu_info.keypadId), snMap));
    if (m_countPace.isActive()) {
        m_countDue = true;
        return;
    }
    showCount();
    m_countPace.start();
}

void ZUFreeActBar_left::showCount()
{
    m_stulist->setText(QString::number(m_answers.count()));
}

void ZUFreeActBar_left::__countPaced()
{
    if (!m_countDue)
        return;
    m_countDue = false;
    showCount();
    m_countPace.start();
}

void ZUFreeActBar_left::on_graph_clicked()
{
    if (m_remaining > 0)
        return;
    ZUTAVAnswerList::getInstance()->hide();
    ZUTAVAnswerGraph* graph = ZUTAVAnswerGraph::getInstance();
    if (graph->isVisible()) {
        AnimationTool::getInstance()->animateWidget(250, graph, AnimationTool::Bottom, false);
        return;
    }
    const FreeGraphBars bars = m_answers.graphBars(TAVMemInfo::getInstance()->studentMap);
    graph->setGraphData(bars.values, bars.colours, bars.names);
    AnimationTool::getInstance()->animateWidget(250, graph, AnimationTool::Bottom, true);
}

void ZUFreeActBar_left::on_list_clicked()
{
    if (m_remaining > 0)
        return;
    ZUTAVAnswerGraph::getInstance()->hide();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    if (list->isVisible()) {
        AnimationTool::getInstance()->animateWidget(250, list, AnimationTool::Bottom, false);
        return;
    }
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    const bool showUnanswered = mem->configMap.value("DoNotShowUnAnswer") == QLatin1String("0");
    const FreeListRows rows = m_answers.listRows(mem->studentMap, mem->snMap, isAnonymous(), showUnanswered);
    list->setAnswerNames(rows.options, rows.names, m_answers.answerType(), m_row);
    list->show();
    AnimationTool::getInstance()->animateWidget(250, list, AnimationTool::Bottom, true);
}

void ZUFreeActBar_left::on_stujionBtn_clicked()
{
    ZUFreeStuList* lists = ZUFreeStuList::getInstance();
    const int type = m_answers.answerType();
    lists->setTitles(ZUFreeAnswerSer::answeredCaption(type), ZUFreeAnswerSer::unansweredCaption(type));
    if (lists->isVisible()) {
        AnimationTool::getInstance()->animateWidget(250, lists, AnimationTool::Top, false);
        return;
    }
    lists->show();
    AnimationTool::getInstance()->animateWidget(250, lists, AnimationTool::Top, true);
}

void ZUFreeActBar_left::hidePanel(bool wait)
{
    m_show.stop();
    m_hide.start();
    ZUTAVAnswerList::getInstance()->hide();
    ZUTAVAnswerGraph::getInstance()->hide();
    ZUFreeStuList::getInstance()->hide();
    if (wait && m_hide.state() == QAbstractAnimation::Running)
        m_loop.exec();
}

void ZUFreeActBar_left::__end_finish()
{
    hide();
    m_loop.quit();
}

void ZUFreeActBar_left::__dlgMove()
{
    const ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    move(bar->x() - width() + qRound(bar->width() / 2.0), bar->y());
}

void ZUFreeActBar_left::__getTeacherData(TeacherInfo tdata)
{
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    const int state = bar->freeState();
    if (!bar->isVisible() || (state != ZUFreeActSer::Running && state != ZUFreeActSer::Ended))
        return;
    const QString& key = tdata.data;
    if (key == QLatin1String("power"))
        bar->on_actCBtn_zurelease();
    else if (key == QLatin1String("report"))
        on_list_clicked();
    else if (key == QLatin1String("result"))
        on_graph_clicked();
    else if (key == QLatin1String("start/pause"))
        pauseVisible() ? on_pause_clicked() : on_start_clicked();
    else if (key == QLatin1String("stop"))
        stopRound();
    else if (key == QLatin1String("f1"))
        on_stujionBtn_clicked();
}

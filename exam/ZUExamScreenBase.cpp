#include "ZUExamScreenBase.h"

#include "ExamFormParts.h"
#include "TAVMemInfo.h"
#include "ZUBaseExamSer.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUTipDlg.h"
#include "ZUToolBarReturn.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const int kTimeWidth = 331;
const int kControlWidth = 171;

using ExamFormParts::label;

QString screenStyle()
{
    return ExamFormParts::style(R"(
#TopWidget { background-color: #39ba60; }
#TopWidget QLabel { color: #ffffff; font: 16px "微软雅黑"; }
#TopWidget QLabel#TestPapNameLbl { font: bold 20px "微软雅黑"; }
#TopWidget QLabel#AnswerPerLbl, #TopWidget QLabel#IsAnPerNumLbl, #TopWidget QLabel#TotPerNumLbl {
    font: bold 24px "微软雅黑"; color: #eaff00; }
#TimeWidget { background-color: #ffffff; border-top-left-radius: 10px; border-top-right-radius: 10px; }
#TimeWidget QLabel#HourMinLbl, #TimeWidget QLabel#MinSecLbl { font: 65px "微软雅黑"; color: #00aa7f; }
#ExamContWidget { background-color: #505050; }
#ControlTitWidget { border-image: url(@teamExam/right-bg-top.png); }
#ExamContWidget QLabel#ExamConChiLbl { color: #ffffff; font: 18px "微软雅黑"; }
#ExamContWidget QLabel[separator="true"] { color: #6e6e6e; font: 10px; }
#ExamContWidget QPushButton { color: #ffffff; background-color: #39ba60; border: none; border-radius: 4px;
    font: 15px "微软雅黑"; padding: 0px; }
#ExamContWidget QPushButton:hover { color: #ffffff; background-color: #4fcb75; }
#ExamContWidget QPushButton:pressed { color: #ffffff; background-color: #2c9a4d; }
#ExamContWidget QPushButton#StartExamBtn { background-color: #3cd3b1; }
#ExamContWidget QPushButton#StartExamBtn:hover { background-color: #5fdcbf; }
#ExamContWidget QPushButton#SuspendExamBtn { background-color: #eeb710; }
#ExamContWidget QPushButton#SuspendExamBtn:hover { background-color: #f5c63a; }
#ExamContWidget QPushButton#StopExamBtn { background-color: #e26464; }
#ExamContWidget QPushButton#StopExamBtn:hover { background-color: #ea7d7d; }
#ExamContWidget QPushButton:disabled, #ExamContWidget QPushButton#StartExamBtn:disabled,
#ExamContWidget QPushButton#StopExamBtn:disabled { color: #ffffff; background-color: #a9a9a9; }
#bottemLbl { border-image: url(@teamExam/right-bottom=bg.png); }
)");
}

QLabel* iconLabel(QWidget* parent, const char* name, const QString& picture)
{
    QLabel* icon = label(parent, name);
    icon->setFixedSize(20, 20);
    icon->setPixmap(QPixmap(ZUFormFrame::imagePath(picture)));
    icon->setScaledContents(true);
    return icon;
}

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

} // namespace

ZUExamScreenBase::ZUExamScreenBase(const char* objectName, const QString& title, const char* centreName)
    : QDialog(nullptr)
{
    setObjectName(objectName);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowState(Qt::WindowMaximized);
    setWindowTitle(title);
    setStyleSheet(screenStyle());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTopBar(layout);
    auto* lower = new QHBoxLayout();
    lower->setSpacing(0);
    m_centre = new QWidget(this);
    m_centre->setObjectName(centreName);
    m_centre->setAttribute(Qt::WA_StyledBackground);
    m_centreLayout = new QVBoxLayout(m_centre);
    lower->addWidget(m_centre, 1);
    auto* column = new QWidget(this);
    column->setObjectName("ExamContWidget");
    column->setAttribute(Qt::WA_StyledBackground);
    column->setFixedWidth(kControlWidth);
    buildControlColumn(column);
    lower->addWidget(column);
    layout->addLayout(lower, 1);

    ZUHdManager* hd = ZUHdManager::getInstance();
    connect(hd, &ZUHdManager::sendTeacherData, this, &ZUExamScreenBase::__getTeacherData);
    connect(hd, &ZUHdManager::devChange, this, &ZUExamScreenBase::__devChange);
}

void ZUExamScreenBase::buildTopBar(QVBoxLayout* layout)
{
    auto* top = new QWidget(this);
    top->setObjectName("TopWidget");
    top->setAttribute(Qt::WA_StyledBackground);
    top->setFixedHeight(126);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);

    // The countdown stands in the middle of the bar.
    auto* left = new QWidget(top);
    left->setObjectName("upLeftWidget");
    int available = 1920;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().width();
    left->setFixedWidth(qMax(0, (available - kTimeWidth - 231) / 2));
    auto* leftLayout = new QGridLayout(left);
    leftLayout->setContentsMargins(40, 18, 10, 18);
    leftLayout->setHorizontalSpacing(8);
    leftLayout->addWidget(iconLabel(left, "TestPapNameTitLbl", "teamExam/test-icon.png"), 0, 0);
    m_paperName = label(left, "TestPapNameLbl");
    leftLayout->addWidget(m_paperName, 0, 1, 1, 4);
    leftLayout->addWidget(label(left, "TestNumTitLbl", tr("试题总数：")), 1, 1);
    m_questionNum = label(left, "TestNumLbl");
    leftLayout->addWidget(m_questionNum, 1, 2);
    leftLayout->addWidget(label(left, "TestScoTitLbl", tr("试卷总分：")), 1, 3);
    m_score = label(left, "TestScoLbl");
    leftLayout->addWidget(m_score, 1, 4);
    leftLayout->setColumnStretch(4, 1);
    topLayout->addWidget(left);

    auto* time = new QWidget(top);
    time->setObjectName("TimeWidget");
    time->setAttribute(Qt::WA_StyledBackground);
    time->setFixedSize(kTimeWidth, 116);
    auto* timeLayout = new QHBoxLayout(time);
    timeLayout->setContentsMargins(10, 5, 10, 5);
    timeLayout->setSpacing(2);
    auto digits = [time](const char* name) {
        QLabel* digits = label(time, name, QStringLiteral("00"));
        digits->setFixedSize(96, 106);
        digits->setAlignment(Qt::AlignCenter);
        return digits;
    };
    m_hour = digits("HourLbl");
    m_min = digits("MinLbl");
    m_sec = digits("SecLbl");
    timeLayout->addWidget(m_hour);
    timeLayout->addWidget(label(time, "HourMinLbl", QStringLiteral(":")));
    timeLayout->addWidget(m_min);
    timeLayout->addWidget(label(time, "MinSecLbl", QStringLiteral(":")));
    timeLayout->addWidget(m_sec);
    topLayout->addWidget(time, 0, Qt::AlignBottom);

    auto* right = new QFrame(top);
    right->setObjectName("rightWidget");
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(40, 18, 30, 18);
    auto* names = new QGridLayout();
    names->setHorizontalSpacing(8);
    names->addWidget(iconLabel(right, "ClassNameTitLbl", "teamExam/class-icon.png"), 0, 0);
    m_className = label(right, "ClassNameLbl");
    names->addWidget(m_className, 0, 1);
    names->addWidget(iconLabel(right, "SubjectTitLbl", "teamExam/subject-icon.png"), 1, 0);
    m_subject = label(right, "SubjectLbl");
    names->addWidget(m_subject, 1, 1);
    rightLayout->addLayout(names);
    rightLayout->addStretch();
    m_countsLayout = new QGridLayout();
    m_countsLayout->setVerticalSpacing(0);
    m_countsLayout->addWidget(label(right, "AnswerPerTitLbl", tr("已答完人数：")), 0, 0, Qt::AlignRight);
    m_finishedCount = label(right, "AnswerPerLbl", tr("0人"));
    m_countsLayout->addWidget(m_finishedCount, 0, 1);
    m_countsLayout->addWidget(label(right, "TotPerNumTitLbl", tr("班级总人数：")), 2, 0, Qt::AlignRight);
    m_totalCount = label(right, "TotPerNumLbl", tr("0人"));
    m_countsLayout->addWidget(m_totalCount, 2, 1);
    rightLayout->addLayout(m_countsLayout);
    topLayout->addWidget(right, 1);
    layout->addWidget(top);
}

void ZUExamScreenBase::buildControlColumn(QWidget* column)
{
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto* title = new QWidget(column);
    title->setObjectName("ControlTitWidget");
    title->setAttribute(Qt::WA_StyledBackground);
    title->setFixedSize(kControlWidth, 120);
    auto* titleLayout = new QVBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 10);
    titleLayout->addStretch();
    titleLayout->addWidget(label(title, "ExamConChiLbl", tr("考试控制")), 0, Qt::AlignHCenter);
    layout->addWidget(title);
    m_controlLayout = new QVBoxLayout();
    m_controlLayout->setSpacing(12);
    m_controlLayout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_controlLayout);
    layout->addStretch();
    auto* bottom = label(column, "bottemLbl");
    bottom->setFixedSize(kControlWidth, 160);
    layout->addWidget(bottom);
}

void ZUExamScreenBase::addRunButtons()
{
    m_startBtn = addControlButton("StartExamBtn", tr("开始考试"), "start-icon.png");
    m_suspendBtn = addControlButton("SuspendExamBtn", tr("暂停考试"), "paus-icon.png");
    m_stopBtn = addControlButton("StopExamBtn", tr("停止考试"), "stop-icon.png");
}

void ZUExamScreenBase::addReportButtons()
{
    m_analysisBtn = addControlButton("TestAnalyBtn", tr("试卷分析"), "anyl-icon.png");
    m_rankingBtn = addControlButton("StuInteractBtn", tr("考生排行"), "ins-icon.png");
    m_exitBtn = addControlButton("ExitExamBtn", tr("退出考试"), "exit-icon.png");
}

QPushButton* ZUExamScreenBase::addControlButton(const char* name, const QString& text, const char* icon, int width)
{
    QPushButton* button = ExamFormParts::button(m_controlLayout->parentWidget(), name, text, QSize(width, 33));
    if (icon) {
        button->setIcon(QIcon(ZUFormFrame::imagePath(QStringLiteral("teamExam/") + icon)));
        button->setIconSize(QSize(18, 18));
    }
    m_controlLayout->addWidget(button, 0, Qt::AlignHCenter);
    return button;
}

QLabel* ZUExamScreenBase::addSeparator(const char* name)
{
    QLabel* line = label(m_controlLayout->parentWidget(), name, QString(64, QLatin1Char('-')));
    line->setProperty("separator", true);
    line->setFixedHeight(4);
    line->setAlignment(Qt::AlignCenter);
    m_controlLayout->addWidget(line);
    return line;
}

void ZUExamScreenBase::showTime(int seconds)
{
    m_hour->setText(twoDigits(seconds / 3600));
    m_min->setText(twoDigits(seconds % 3600 / 60));
    m_sec->setText(twoDigits(seconds % 60));
}

void ZUExamScreenBase::setTimeColour(int state)
{
    const char* picture = nullptr;
    if (state == 0 || state == 3)
        picture = "red.png";
    else if (state == 1)
        picture = "green.png";
    else if (state == 2)
        picture = "yellow.png";
    const QString style = picture ? QString("font: 55px '微软雅黑';color: #ffffff;background-image: url(%1);")
                                        .arg(ZUFormFrame::imagePath(QStringLiteral("teamExam/") + picture))
                                  : QString();
    for (QLabel* label : { m_hour, m_min, m_sec })
        label->setStyleSheet(style);
}

void ZUExamScreenBase::fillPaperInfo()
{
    const ZUExamMem* exam = ZUExamMem::getInstance();
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    m_questionNum->setText(tr("%1题").arg(exam->m_questionNum));
    m_score->setText(tr("%1分").arg(exam->m_allScores));
    m_paperName->setText(exam->m_paperName);
    m_className->setText(mem->currentClass.className);
    m_totalCount->setText(tr("%1人").arg(mem->studentList.size()));
    m_finishedCount->setText(tr("0人"));
}

void ZUExamScreenBase::showFullArea()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    show();
    raise();
    activateWindow();
    // The seat grid is laid out for the table's width, so the window's layout must have run.
    layout()->activate();
}

void ZUExamScreenBase::closeScreen()
{
    // The paper's reports are windows of their own: left open they would stand over the tool bar.
    hideResult(ZUExamResultViews::PaperAnalysis);
    hideResult(ZUExamResultViews::Ranking);
    ZUToolBarReturn::bringBack();
    hide();
}

void ZUExamScreenBase::tip(const QString& text)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    if (box->isVisible()) {
        // One question at a time: the message open waits for its answer.
        qWarning() << "****message not shown, another one is open:" << text;
        return;
    }
    box->setButtons(ZUTipDlg::Yes, 0);
    box->setText(text, tr("信息"));
    box->exec();
}

bool ZUExamScreenBase::confirm(const QString& text)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    if (box->isVisible())
        return false;
    box->setButtons(ZUTipDlg::Yes | ZUTipDlg::No, 0);
    box->setText(text, tr("信息"));
    return box->exec() == ZUTipDlg::Yes;
}

bool ZUExamScreenBase::checkReceiver()
{
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    const QString serial = api ? api->serialNumber() : QString();
    if (serial == TAVMemInfo::getInstance()->currentClass.stationSn)
        return true;
    tip(tr("接收器与当前班级不匹配,\n无法进行考试!"));
    return false;
}

void ZUExamScreenBase::tellReceiverChange(bool change)
{
    if (!change) {
        tip(tr("硬件异常已停止考试，\n请检查硬件状态!"));
        return;
    }
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    const QString serial = api ? api->serialNumber() : QString();
    if (serial == TAVMemInfo::getInstance()->currentClass.stationSn)
        tip(tr("接收器连接成功,\n请点击\"开始考试\"!"));
    else
        tip(tr("接收器与当前班级不匹配,\n无法进行考试!"));
}

void ZUExamScreenBase::__getTeacherData(TeacherInfo tdata)
{
    if (isVisible() && !m_leaving && !ZUTipDlg::getInstance()->isVisible())
        onTeacherKey(tdata.data);
}

void ZUExamScreenBase::__devChange(bool change)
{
    if (!isVisible())
        return;
    if (!change)
        stopRun();
    tellReceiverChange(change);
}

void ZUExamScreenBase::pauseRun(ZUBaseExamSer& ser)
{
    if (m_state != 1)
        return;
    m_suspendBtn->hide();
    m_startBtn->show();
    ser.pauseExam();
    m_state = 2;
    setTimeColour(2);
}

void ZUExamScreenBase::exitExam()
{
    if (m_leaving || (m_state != 0 && m_state != 3))
        return;
    const QScopedValueRollback<bool> leaving(m_leaving, true);
    if (confirm(tr("确认要结束本次考试并退出?")))
        leave();
}

bool ZUExamScreenBase::endQuiz(ZUBaseExamSer& ser)
{
    return ser.quitExam();
}

QWidget* ZUExamScreenBase::resultWindow(ZUExamResultViews::View view)
{
    ZUExamResultViews* views = ZUExamResultViews::installed();
    return views ? views->window(view) : nullptr;
}

QWidget* ZUExamScreenBase::builtResultWindow(ZUExamResultViews::View view)
{
    ZUExamResultViews* views = ZUExamResultViews::installed();
    return views ? views->builtWindow(view) : nullptr;
}

bool ZUExamScreenBase::resultVisible(ZUExamResultViews::View view)
{
    QWidget* window = builtResultWindow(view);
    return window && window->isVisible();
}

void ZUExamScreenBase::hideResult(ZUExamResultViews::View view)
{
    if (QWidget* window = builtResultWindow(view))
        window->hide();
}

void ZUExamScreenBase::bringToFront(ZUExamResultViews::View view)
{
    // Shown again, a window keeps its old place in the stack, below this screen that was raised since; without
    // a window manager nothing else would lift it.
    if (QWidget* window = resultWindow(view)) {
        window->raise();
        window->activateWindow();
    }
}

void ZUExamScreenBase::openPaperAnalysis(const ZUBaseExamSer& ser)
{
    ZUExamResultViews* views = ZUExamResultViews::installed();
    if (!views)
        return;
    QList<QuestionStatInfo> rows;
    ser.questionReport(rows);
    views->showPaperAnalysis(rows);
    bringToFront(ZUExamResultViews::PaperAnalysis);
}

void ZUExamScreenBase::openRanking(const ZUBaseExamSer& ser)
{
    ZUExamResultViews* views = ZUExamResultViews::installed();
    if (!views)
        return;
    QList<StuRankingInfo> rows;
    if (ser.studentReport(rows) == 0) {
        views->showRanking(rows);
        bringToFront(ZUExamResultViews::Ranking);
    }
}

void ZUExamScreenBase::keyPressEvent(QKeyEvent*) { }

void ZUExamScreenBase::closeEvent(QCloseEvent* e)
{
    // Closed by other means than its exit, the screen still ends the quiz the way exit does: what runs is stopped
    // first, so that it is saved with every answer that came, and the tool bar comes back.
    e->ignore();
    if (m_leaving || !isVisible())
        return;
    const QScopedValueRollback<bool> leaving(m_leaving, true);
    if (!confirm(tr("确认要结束本次考试并退出?")))
        return;
    stopRun();
    leave();
}

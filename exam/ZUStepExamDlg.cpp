#include "ZUStepExamDlg.h"

#include "AnimationTool.h"
#include "ExamFormParts.h"
#include "PaperPictureStore.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_SubjectInfo.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"
#include "ZUStepExamResults.h"
#include "ZUStepExamSer.h"
#include "ZUTAVAutoMsg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const int kSlideMs = 250;
// Around the question; below it, room is made for the answering panel while it is open.
const QMargins kCentreMargins(50, 24, 20, 24);
const int kPanelGap = 10;

QString centreStyle()
{
    return ExamFormParts::style(R"(
#leftWidget { background-color: #ffffff; }
#StructNameLbl { color: #555555; font: bold 26px "微软雅黑"; }
#subNameLbl { color: #646464; font: bold 20px "微软雅黑"; }
#QuestionLbl { background-color: #ffffff; }
#scrollArea { background-color: #ffffff; border: none; }
#widget_2 QPushButton { border: none; border-image: url(@analyze/bg-nomal.png); padding: 0px; }
#widget_2 QPushButton:hover { border-image: url(@analyze/bg-active.png); }
#EnlargeBtn { image: url(@stepExam/fd.png); }
#NarrowBtn { image: url(@stepExam/sx.png); }
#PrevioursBtn { image: url(@analyze/up.png); }
#NextBtn { image: url(@analyze/down.png); }
#btnFrame QPushButton, #btnFrame QPushButton:hover, #btnFrame QPushButton:disabled {
    background-color: transparent; border: none; padding: 0px; }
)");
}

} // namespace

ZUStepExamDlg::ZUStepExamDlg()
    : ZUExamScreenBase("ZUStepExamDlg", tr("逐题作答"), "leftWidget")
    , m_ser(ZUStepExamSer::getInstance())
{
    setStyleSheet(styleSheet() + centreStyle());
    buildCentre();
    addRunButtons();
    addSeparator("topLbl");
    buildResultButtons();
    addSeparator("midLbl");
    addReportButtons();
    auto* answeringTitle = new QLabel(tr("答题中人数："), this);
    answeringTitle->setObjectName("IsAnPerNumTitLbl");
    m_countsLayout->addWidget(answeringTitle, 1, 0, Qt::AlignRight);
    m_answeringCount = new QLabel(tr("0人"), this);
    m_answeringCount->setObjectName("IsAnPerNumLbl");
    m_countsLayout->addWidget(m_answeringCount, 1, 1);
    QMetaObject::connectSlotsByName(this);

    m_ser->setView(this);
    setControls(0);
    setTimeColour(0);
}

void ZUStepExamDlg::buildCentre()
{
    QWidget* left = m_centre;
    QVBoxLayout* layout = m_centreLayout;
    layout->setContentsMargins(kCentreMargins);
    layout->setSpacing(14);
    m_structName = new QLabel(left);
    m_structName->setObjectName("StructNameLbl");
    m_structName->setTextFormat(Qt::PlainText);
    layout->addWidget(m_structName);

    auto* row = new QHBoxLayout();
    row->setSpacing(10);
    m_subName = new QLabel(left);
    m_subName->setObjectName("subNameLbl");
    m_subName->setTextFormat(Qt::PlainText);
    row->addWidget(m_subName, 0, Qt::AlignTop);
    m_scrollArea = new QScrollArea(left);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_question = new QLabel;
    m_question->setObjectName("QuestionLbl");
    m_question->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scrollArea->setWidget(m_question);
    row->addWidget(m_scrollArea, 1);

    auto* side = new QWidget(left);
    side->setObjectName("widget_2");
    side->setFixedSize(62, 260);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(11, 10, 11, 10);
    sideLayout->setSpacing(20);
    const QList<QPair<const char*, QString>> buttons { { "EnlargeBtn", tr("放大") },
                                                       { "NarrowBtn", tr("缩小") },
                                                       { "PrevioursBtn", tr("上一题") },
                                                       { "NextBtn", tr("下一题") } };
    for (const auto& b : buttons) {
        QPushButton* button = ExamFormParts::button(side, b.first, QString(), QSize(40, 40));
        button->setToolTip(b.second);
        sideLayout->addWidget(button);
    }
    row->addWidget(side, 0, Qt::AlignTop);
    layout->addLayout(row, 1);
}

void ZUStepExamDlg::buildResultButtons()
{
    auto* frame = new QFrame(m_controlLayout->parentWidget());
    frame->setObjectName("btnFrame");
    frame->setFixedSize(120, 90);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(10, 5, 10, 5);
    grid->setSpacing(10);
    auto make = [frame, grid](const char* name, const char* picture, const QString& tip, int row, int col) {
        QPushButton* button = ExamFormParts::button(frame, name, QString(), QSize(33, 33));
        button->setToolTip(tip);
        button->setIcon(QIcon(ZUFormFrame::imagePath(QStringLiteral("stepExam/") + picture)));
        button->setIconSize(QSize(33, 33));
        grid->addWidget(button, row, col, Qt::AlignCenter);
        return button;
    };
    m_personBtn = make("PersonBtn", "personnum.png", tr("答题人"), 0, 0);
    m_explanationBtn = make("ExplanationBtn", "explanation.png", tr("答案解析"), 0, 1);
    m_chartBtn = make("ChartBtn", "chart.png", tr("答题图形统计"), 1, 0);
    m_tableBtn = make("TableBtn", "table.png", tr("答题人员统计"), 1, 1);
    m_controlLayout->addWidget(frame, 0, Qt::AlignHCenter);
}

// ---- what the service reports --------------------------------------------------------------------------------

void ZUStepExamDlg::setTimeLabels(int seconds)
{
    showTime(seconds);
}

void ZUStepExamDlg::onQuestionFinished()
{
    setControls(3);
    closeOpenResultView();
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), tr("答题结束"), 1, true);
    m_answeringCount->setText(tr("0人"));
    m_state = 3;
    setTimeColour(3);
}

void ZUStepExamDlg::onStudentAnswered(const QString& dovaneID, int answeredItems)
{
    QMap<int, int> scratch;
    const int items = m_ser->optionCountFor(m_current, scratch);
    if (answeredItems == items) {
        m_answering.removeAll(dovaneID);
        if (m_finished.contains(dovaneID))
            return;
        m_finished.append(dovaneID);
    } else {
        if (m_answering.contains(dovaneID))
            return;
        m_answering.append(dovaneID);
    }
    showCounts();
    QWidget* panel = resultWindow(ZUExamResultViews::AnsweringPanel);
    if (panel && !panel->isHidden())
        fillAnsweringPanel();
}

void ZUStepExamDlg::showCounts()
{
    m_finishedCount->setText(tr("%1人").arg(m_finished.size()));
    m_answeringCount->setText(tr("%1人").arg(m_answering.size()));
}

// ---- opening and showing questions ---------------------------------------------------------------------------

void ZUStepExamDlg::showExam()
{
    m_questionCount = m_ser->getQuestionCount();
    m_current = 0;
    showQuestion(0);
    fillExamInfo();
    showFullArea();
}

void ZUStepExamDlg::fillExamInfo()
{
    m_suspendBtn->hide();
    fillPaperInfo();
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    m_subject->setText(
        TAV_SubjectInfo::getInstance()->selectSubjectName(db, TAVMemInfo::getInstance()->currentRecord.subjectID));
    database->closeDbCon(db);
    m_answeringCount->setText(tr("0人"));
    m_state = 0;
    setControls(0);
    setTimeColour(0);
}

void ZUStepExamDlg::showQuestion(int question)
{
    setTimeLabels(m_ser->getExamTimeByQIndex(question));
    m_structName->setText(m_ser->getSectionTitleByQuestion(question));
    m_subName->setText(QString::number(m_ser->getQuestionSnByQuestion(question)) + ".");
    const QPixmap picture = m_ser->getQuestionPixmapByQuestion(question);
    m_pictureWidth = picture.width();
    showPicture(picture);
}

void ZUStepExamDlg::showPicture(const QPixmap& picture)
{
    if (picture.isNull())
        m_question->clear();
    else
        m_question->setPixmap(picture);
}

void ZUStepExamDlg::on_NextBtn_clicked()
{
    qDebug() << "enter nextBtn";
    qDebug() << "the exam state is: " << m_state;
    if (m_state == 1 || m_state == 2) {
        qWarning() << "****the exam state is start or pause";
        return;
    }
    if (m_current + 1 > m_questionCount - 1)
        return;
    ++m_current;
    closeOpenResultView();
    showQuestion(m_current);
}

void ZUStepExamDlg::on_PrevioursBtn_clicked()
{
    qDebug() << "enter pre Btn";
    qDebug() << "the exam state is: " << m_state;
    if (m_state == 1 || m_state == 2) {
        qWarning() << "****the exam state is start or pause";
        return;
    }
    if (m_current - 1 < 0)
        return;
    --m_current;
    closeOpenResultView();
    showQuestion(m_current);
}

void ZUStepExamDlg::on_EnlargeBtn_clicked()
{
    const QPixmap picture = m_ser->getQuestionPixmapByQuestion(m_current);
    const int width = int(picture.width() * 0.1 + m_pictureWidth);
    // Every step costs time and memory by the size it reaches: none beyond what a screen can use.
    if (!picture.isNull() && !PaperPictureStore::fitsScreen(picture.size() * (double(width) / picture.width())))
        return;
    m_pictureWidth = width;
    showPicture(m_pictureWidth > 0 && !picture.isNull()
                    ? picture.scaledToWidth(m_pictureWidth, Qt::SmoothTransformation)
                    : QPixmap());
}

void ZUStepExamDlg::on_NarrowBtn_clicked()
{
    const QPixmap picture = m_ser->getQuestionPixmapByQuestion(m_current);
    m_pictureWidth = int(m_pictureWidth - picture.width() * 0.1);
    showPicture(m_pictureWidth > 0 && !picture.isNull()
                    ? picture.scaledToWidth(m_pictureWidth, Qt::SmoothTransformation)
                    : QPixmap());
}

// ---- running the question ------------------------------------------------------------------------------------

void ZUStepExamDlg::setControls(int state)
{
    const bool running = state == 1 || state == 2;
    m_startBtn->setVisible(state != 1);
    m_suspendBtn->setVisible(state == 1);
    m_stopBtn->setEnabled(state != 0);
    for (QPushButton* button : { m_exitBtn, m_analysisBtn, m_rankingBtn, m_explanationBtn, m_tableBtn, m_chartBtn })
        button->setEnabled(!running);
    m_personBtn->setEnabled(running);
}

void ZUStepExamDlg::on_StartExamBtn_clicked()
{
    qDebug() << "enter Start Btn";
    qDebug() << "the exam state is: " << m_state;
    if (!checkReceiver() || m_state == 1)
        return;
    if (m_state == 0 || m_state == 3) {
        QString error;
        if (m_ser->startExam(m_current, error) != 0) {
            if (!error.isEmpty())
                tip(error);
            return;
        }
        m_finished.clear();
        m_answering.clear();
        showCounts();
    } else {
        m_ser->pauseToStart();
    }
    closeOpenResultView();
    m_state = 1;
    setControls(1);
    setTimeColour(1);
}

void ZUStepExamDlg::on_SuspendExamBtn_clicked()
{
    pauseRun(*m_ser);
}

void ZUStepExamDlg::on_StopExamBtn_clicked()
{
    qDebug() << "enter stopExam";
    qDebug() << "the exam state is: " << m_state;
    if (m_state != 1 && m_state != 2)
        return;
    m_ser->stopExam();
    onQuestionFinished();
}

void ZUStepExamDlg::on_ExitExamBtn_clicked()
{
    qDebug() << "enter quitExam";
    qDebug() << "the exam state is: " << m_state;
    exitExam();
}

void ZUStepExamDlg::leave()
{
    closeOpenResultView();
    if (!endQuiz(*m_ser))
        return;
    m_answering.clear();
    m_finished.clear();
    closeScreen();
}

// ---- the teacher remote and the receiver ---------------------------------------------------------------------

void ZUStepExamDlg::onTeacherKey(const QString& key)
{
    if (resultVisible(ZUExamResultViews::Ranking) || resultVisible(ZUExamResultViews::PaperAnalysis))
        return;
    const bool running = m_state == 1 || m_state == 2;
    if (key == QLatin1String("up"))
        on_PrevioursBtn_clicked();
    else if (key == QLatin1String("down"))
        on_NextBtn_clicked();
    else if (key == QLatin1String("start/pause"))
        m_state == 1 ? on_SuspendExamBtn_clicked() : on_StartExamBtn_clicked();
    else if (key == QLatin1String("stop"))
        on_StopExamBtn_clicked();
    else if (key == QLatin1String("power") && !running)
        on_ExitExamBtn_clicked();
    else if (key == QLatin1String("report") && !running)
        on_TableBtn_clicked();
    else if (key == QLatin1String("result") && !running)
        on_ChartBtn_clicked();
    else if (key == QLatin1String("question") && !running)
        on_ExplanationBtn_clicked();
    else if (key == QLatin1String("f1") && running)
        on_PersonBtn_clicked();
}

// ---- the result windows --------------------------------------------------------------------------------------

QWidget* ZUStepExamDlg::adopt(ZUExamResultViews::View view)
{
    QWidget* window = resultWindow(view);
    if (window && window->parentWidget() != this)
        window->setParent(this);
    return window;
}

void ZUStepExamDlg::slide(QWidget* window, int edge, bool in)
{
    // A window that rises from the bottom stands below the top bar, whatever its list asks for: the timer, the
    // class and the counts stay in sight, and a longer list scrolls inside the window.
    const QWidget* top = findChild<QWidget*>(QStringLiteral("TopWidget"));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (in && edge == AnimationTool::Bottom && window && top && screen) {
        const QRect area = screen->availableGeometry();
        const int room = area.bottom() + 1 - qMax(area.top(), top->mapToGlobal(QPoint(0, top->height())).y());
        if (room > 0 && window->height() > room)
            window->setFixedHeight(room);
    }
    AnimationTool::getInstance()->animateWidget(kSlideMs, window, edge, in);
}

void ZUStepExamDlg::closeOpenResultView()
{
    QWidget* panel = resultWindow(ZUExamResultViews::AnsweringPanel);
    if (panel && !panel->isHidden()) {
        slideAnsweringPanel(panel, false);
        return;
    }
    for (ZUExamResultViews::View view :
         { ZUExamResultViews::Explanation, ZUExamResultViews::ItemTable, ZUExamResultViews::OptionList,
           ZUExamResultViews::OptionChart, ZUExamResultViews::ItemBars }) {
        if (resultVisible(view)) {
            hideResult(view);
            return;
        }
    }
}

void ZUStepExamDlg::fillAnsweringPanel()
{
    const ZUStepExamResults::Groups groups = ZUStepExamResults::answeringGroups(m_finished, m_answering);
    QMap<int, int> scratch;
    ZUExamResultViews::installed()->setAnswering(groups.finished, groups.answering, groups.notAnswered,
                                                 m_ser->optionCountFor(m_current, scratch));
}

void ZUStepExamDlg::on_PersonBtn_clicked()
{
    QWidget* panel = adopt(ZUExamResultViews::AnsweringPanel);
    if (!panel)
        return;
    if (!panel->isHidden()) {
        slideAnsweringPanel(panel, false);
        return;
    }
    panel->show();
    fillAnsweringPanel();
    slideAnsweringPanel(panel, true);
}

void ZUStepExamDlg::slideAnsweringPanel(QWidget* panel, bool in)
{
    // The class goes on reading the question while the teacher looks who has answered: the panel stands at the
    // bottom of the screen, and the question gives it the room it draws in (the window may be see-through
    // above its card).
    QMargins margins = kCentreMargins;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (in && screen) {
        const QRect place
            = AnimationTool::slideGeometry(screen->availableGeometry(), panel->size(), AnimationTool::Bottom).second;
        const int drawnTop = place.top() + (panel->childrenRect().isNull() ? 0 : panel->childrenRect().top());
        const int centreBottom = m_centre->mapTo(this, QPoint(0, m_centre->height())).y();
        // Never more than the question can give up: on a low screen the window must not grow past it.
        const int spare
            = m_centre->height() - m_centre->minimumSizeHint().height() + m_centreLayout->contentsMargins().bottom();
        margins.setBottom(qBound(margins.bottom(), centreBottom - drawnTop + kPanelGap, qMax(margins.bottom(), spare)));
    }
    m_centreLayout->setContentsMargins(margins);
    slide(panel, AnimationTool::Bottom, in);
}

QWidget* ZUStepExamDlg::openAnswerWindow(ZUExamResultViews::View oneItemView, ZUExamResultViews::View severalView,
                                         bool& oneItem)
{
    QWidget* several = adopt(severalView);
    QWidget* one = adopt(oneItemView);
    QMap<int, int> scratch;
    oneItem = m_ser->optionCountFor(m_current, scratch) == 1;
    QWidget* window = oneItem ? one : several;
    if (!window)
        return nullptr;
    if (window->isVisible()) {
        slide(window, AnimationTool::Bottom, false);
        return nullptr;
    }
    closeOpenResultView();
    return window;
}

void ZUStepExamDlg::on_ExplanationBtn_clicked()
{
    bool oneItem = false;
    QWidget* window = openAnswerWindow(ZUExamResultViews::Explanation, ZUExamResultViews::Explanation, oneItem);
    if (!window)
        return;
    const QPixmap picture = m_ser->getResolvePixmapByQuestion(m_current);
    window->show();
    ZUExamResultViews::installed()->setExplanation(picture, ZUStepExamResults::explanationText(*m_ser, m_current));
    slide(window, AnimationTool::Bottom, true);
}

void ZUStepExamDlg::on_TableBtn_clicked()
{
    bool oneItem = false;
    QWidget* window = openAnswerWindow(ZUExamResultViews::OptionList, ZUExamResultViews::ItemTable, oneItem);
    if (!window)
        return;
    ZUExamResultViews* views = ZUExamResultViews::installed();
    window->show();
    if (oneItem) {
        const ZUStepExamResults::OptionNames data = ZUStepExamResults::optionNames(*m_ser, m_current);
        views->setOptionNames(data.rightAnswer, data.options, data.names);
    } else {
        const ZUStepExamResults::ItemTable data = ZUStepExamResults::itemTable(*m_ser, m_current);
        views->setItemTable(data.rightAnswers, data.counts);
    }
    slide(window, AnimationTool::Bottom, true);
}

void ZUStepExamDlg::on_ChartBtn_clicked()
{
    bool oneItem = false;
    QWidget* window = openAnswerWindow(ZUExamResultViews::OptionChart, ZUExamResultViews::ItemBars, oneItem);
    if (!window)
        return;
    ZUExamResultViews* views = ZUExamResultViews::installed();
    if (oneItem) {
        const ZUStepExamResults::OptionChart data = ZUStepExamResults::optionChart(*m_ser, m_current);
        views->setOptionChart(data.rightAnswer, data.values, data.colours, data.options);
        window->show();
    } else {
        const ZUStepExamResults::ItemBars data = ZUStepExamResults::itemBars(*m_ser, m_current);
        window->show();
        views->setItemBars(data.rightAnswers, data.stats);
    }
    slide(window, AnimationTool::Bottom, true);
}

void ZUStepExamDlg::on_TestAnalyBtn_clicked()
{
    if (m_state == 0 || m_state == 3)
        openPaperAnalysis(*m_ser);
}

void ZUStepExamDlg::on_StuInteractBtn_clicked()
{
    if (m_state == 0 || m_state == 3)
        openRanking(*m_ser);
}

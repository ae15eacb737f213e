#include "ZUTAVExamSetDlg.h"

#include "ExamDuration.h"
#include "ExamFormParts.h"
#include "HttpDownFile.h"
#include "TAVMemInfo.h"
#include "ZUExamMem.h"
#include "ZUFormFrame.h"
#include "ZUNoSelSpinBox.h"
#include "ZUStepExamDlg.h"
#include "ZUStepExamSer.h"
#include "ZUTAVNoFocusDelegate.h"
#include "ZUTeamExamDlg.h"
#include "ZUTeamExamSer.h"
#include "ZUTipDlg.h"
#include "ZUToolBarReturn.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMovie>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const int kPageWidth = 410;
const int kPageHeight = 361;

// Inactive while a paper loads: faded, so that only the close looks usable.
const char* const kChosenMode = "QPushButton { background-color: #e99c06; color: #ffffff; border: none; "
                                "font: 14px '微软雅黑'; border-radius: 15px; }"
                                "QPushButton:hover, QPushButton:pressed { background-color: #e99c06; "
                                "color: #ffffff; border: none; }"
                                "QPushButton:disabled { background-color: #f3cf8a; color: #ffffff; }";
const char* const kOtherMode = "QPushButton { background-color: #ffffff; color: #555555; border: 1px solid #d6d6d6; "
                               "font: 14px '微软雅黑'; border-radius: 15px; }"
                               "QPushButton:hover, QPushButton:pressed { background-color: #e99c06; "
                               "color: #ffffff; border: 1px solid #e99c06; }"
                               "QPushButton:disabled { background-color: #f5f7f8; color: #b4b4b4; "
                               "border: 1px solid #e3e3e3; }";

using ExamFormParts::button;
using ExamFormParts::label;

QString formStyle()
{
    return ExamFormParts::style(R"(
#PageWidget { background: transparent; }
#PaperSetWidget, #TestSettingWidget { background-color: #ffffff; }
#setHeader { background-color: #39ba60; }
#setHeader QLabel#TestSetLbl, #setHeader QLabel#PapSetLbl { color: #ffffff; font: bold 15px "微软雅黑"; }
#TestSetExitBtn, #SetCloseBtn { border: none; padding: 0px; border-image: url(@Login/close.png); }
#TestSetExitBtn:hover, #SetCloseBtn:hover { border-image: url(@Login/close-h.png); }
#TestSettingWidget QLabel { color: #555555; font: 14px "微软雅黑"; }
#TestSettingWidget QLabel#TestNameTextEdit { color: #333333; font: bold 15px "微软雅黑"; }
#TestSettingWidget QLabel#TotalScoLbl, #TestSettingWidget QLabel#TestNumLbl { color: #e99c06; font: bold 16px "微软雅黑"; }
#TestSetMidWidget { background-color: #f5f7f8; border-radius: 4px; }
#ChoPapIconBtn { color: #39ba60; background-color: #ffffff; border: 1px dashed #39ba60; border-radius: 6px;
    font: 15px "微软雅黑"; }
#ChoPapIconBtn:hover { background-color: #e8f6ec; }
#ChoPapBtn { color: #39ba60; border: 1px solid #39ba60; border-radius: 4px; font: 14px "微软雅黑"; padding: 0px; }
#ChoPapIconBtn:disabled, #ChoPapBtn:disabled { color: #b4b4b4; border-color: #d6d6d6; background-color: #f5f7f8; }
#TestSettingWidget QSpinBox:disabled { color: #b4b4b4; background-color: #f5f7f8; border-color: #e3e3e3; }
#StartTestBtn { color: #ffffff; background-color: #39ba60; border: none; border-radius: 20px; font: bold 16px "微软雅黑"; }
#StartTestBtn:hover { background-color: #4fcb75; }
#StartTestBtn:disabled { color: #ffffff; background-color: #a9a9a9; }
#TestPapListWidget { background: transparent; border: none; font: 15px "微软雅黑"; color: #555555; outline: 0; }
#TestPapListWidget::item { height: 40px; padding-left: 10px; border-bottom: 1px solid #eeeeee; }
#TestPapListWidget::item:hover { background-color: #f0f9f3; color: #2c9a4d; }
#TestPapListWidget::item:selected { background-color: #e8f6ec; color: #2c9a4d; }
#rightWidget { background-color: #f5f7f8; }
#rightWidget QPushButton { color: #ffffff; background-color: #39ba60; border: none; border-radius: 16px;
    font: bold 16px "微软雅黑"; padding: 0px; }
#rightWidget QPushButton:hover { background-color: #4fcb75; }
#PageNumLbl { color: #39ba60; font: bold 16px "微软雅黑"; }
)");
}

// One of the two pages: a green strip with its title and a close button on top; the page's layout follows.
QWidget* makePage(QWidget* parent, const char* name, const char* titleName, const QString& title, const char* closeName)
{
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    page->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* header = new QWidget(page);
    header->setObjectName("setHeader");
    header->setAttribute(Qt::WA_StyledBackground);
    header->setFixedHeight(38);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(14, 0, 8, 0);
    row->addWidget(label(header, titleName, title));
    row->addStretch();
    row->addWidget(button(header, closeName, QString(), QSize(26, 23)));
    layout->addWidget(header);
    return page;
}

} // namespace

ZUTAVExamSetDlg::ZUTAVExamSetDlg()
    : ZUTAVDialogBase(nullptr)
{
    setObjectName("ZUTAVExamSetDlg");
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_NoSystemBackground, false);
    setWindowTitle(tr("课间测"));
    setFixedSize(435, 385);
    buildForm();
    QMetaObject::connectSlotsByName(this);
    connect(findChild<QPushButton*>("ChoPapIconBtn"), &QPushButton::clicked, this,
            &ZUTAVExamSetDlg::on_ChoPapBtn_clicked);
    connect(findChild<QPushButton*>("SetCloseBtn"), &QPushButton::clicked, this,
            &ZUTAVExamSetDlg::on_PapSetExitBtn_clicked);
    m_slide = new QPropertyAnimation(m_examWidget, "geometry", this);
    m_slide->setDuration(300);
    connect(m_slide, &QPropertyAnimation::finished, this, &ZUTAVExamSetDlg::animationFinish);
    addShadow();
}

void ZUTAVExamSetDlg::buildForm()
{
    setStyleSheet(formStyle());
    m_pageWidget = new QWidget(this);
    m_pageWidget->setObjectName("PageWidget");
    m_pageWidget->setGeometry(12, 12, kPageWidth, kPageHeight);
    m_examWidget = new QWidget(m_pageWidget);
    m_examWidget->setObjectName("ExamWidget");
    m_examWidget->setGeometry(0, -kPageHeight, kPageWidth, 2 * kPageHeight + 2);
    m_paperPage = buildPaperPage(m_examWidget);
    m_paperPage->setGeometry(0, 0, kPageWidth, kPageHeight);
    QWidget* settings = buildSettingsPage(m_examWidget);
    settings->setGeometry(0, kPageHeight, kPageWidth, kPageHeight + 2);

    m_loading = label(this, "loading");
    m_loading->setFixedSize(48, 48);
    m_movie = new QMovie(QCoreApplication::applicationDirPath() + "/Resources/gif/examload.gif", QByteArray(), this);
    m_loading->setMovie(m_movie);
    m_loading->hide();
}

QWidget* ZUTAVExamSetDlg::buildPaperPage(QWidget* parent)
{
    QWidget* page = makePage(parent, "PaperSetWidget", "PapSetLbl", tr("选择试卷"), "SetCloseBtn");
    auto* layout = static_cast<QVBoxLayout*>(page->layout());

    auto* body = new QHBoxLayout();
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    m_paperList = new QListWidget(page);
    m_paperList->setObjectName("TestPapListWidget");
    m_paperList->setItemDelegate(new ZUTAVNoFocusDelegate(m_paperList));
    m_paperList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_paperList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_paperList->setTextElideMode(Qt::ElideRight);
    body->addWidget(m_paperList, 1);

    auto* side = new QWidget(page);
    side->setObjectName("rightWidget");
    side->setAttribute(Qt::WA_StyledBackground);
    side->setFixedWidth(56);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(12, 16, 12, 16);
    sideLayout->setSpacing(14);
    auto add = [side, sideLayout](const char* name, const QString& text, const QString& tip) {
        QPushButton* pageButton = button(side, name, text, QSize(32, 32));
        pageButton->setToolTip(tip);
        sideLayout->addWidget(pageButton);
    };
    add("PapSetExitBtn", QStringLiteral("←"), tr("返回"));
    sideLayout->addStretch();
    add("UpBtn", QStringLiteral("▲"), tr("上一页"));
    m_pageNum = label(side, "PageNumLbl", QStringLiteral("1"));
    m_pageNum->setFixedSize(32, 24);
    m_pageNum->setAlignment(Qt::AlignCenter);
    sideLayout->addWidget(m_pageNum);
    add("DownBtn", QStringLiteral("▼"), tr("下一页"));
    sideLayout->addStretch();
    add("ParChoSureBtn", QStringLiteral("✓"), tr("选择试卷"));
    body->addWidget(side);
    layout->addLayout(body, 1);
    return page;
}

QWidget* ZUTAVExamSetDlg::buildSettingsPage(QWidget* parent)
{
    QWidget* page = makePage(parent, "TestSettingWidget", "TestSetLbl", tr("课间测设置"), "TestSetExitBtn");
    auto* layout = static_cast<QVBoxLayout*>(page->layout());

    // Everything below the title strip, which stays usable while a paper loads.
    m_settingsBody = new QWidget(page);
    m_settingsBody->setObjectName("TestSetBodyWidget");
    auto* body = new QVBoxLayout(m_settingsBody);
    body->setContentsMargins(30, 18, 30, 22);
    body->setSpacing(16);
    // The settings stand in the middle of the page, chosen paper or not.
    body->addStretch();
    m_choPapIconBtn = button(page, "ChoPapIconBtn", tr("去选卷"), QSize(120, 40));
    m_choPapIconBtn->setIcon(QIcon(ZUFormFrame::imagePath(QStringLiteral("testAssistant/cho-p-icon.png"))));
    m_choPapIconBtn->setIconSize(QSize(20, 20));
    body->addWidget(m_choPapIconBtn, 0, Qt::AlignHCenter);

    m_choInfoWidget = new QWidget(page);
    m_choInfoWidget->setObjectName("ChoInfoWidget");
    auto* info = new QHBoxLayout(m_choInfoWidget);
    info->setContentsMargins(0, 0, 0, 0);
    m_testName = label(m_choInfoWidget, "TestNameTextEdit");
    m_testName->setWordWrap(true);
    info->addWidget(m_testName, 1);
    info->addWidget(button(m_choInfoWidget, "ChoPapBtn", tr("去选卷"), QSize(72, 33)));
    body->addWidget(m_choInfoWidget);

    m_midWidget = new QWidget(page);
    m_midWidget->setObjectName("TestSetMidWidget");
    m_midWidget->setAttribute(Qt::WA_StyledBackground);
    m_midWidget->setFixedHeight(36);
    auto* mid = new QHBoxLayout(m_midWidget);
    mid->setContentsMargins(12, 0, 12, 0);
    mid->addWidget(label(m_midWidget, "TotalScoTitLbl", tr("总分数")));
    m_totalScore = label(m_midWidget, "TotalScoLbl", tr("0分"));
    mid->addWidget(m_totalScore);
    mid->addStretch();
    mid->addWidget(label(m_midWidget, "QuesNumTitLbl", tr("题目总数")));
    m_testNum = label(m_midWidget, "TestNumLbl", tr("0题"));
    mid->addWidget(m_testNum);
    body->addWidget(m_midWidget);

    auto* modeRow = new QHBoxLayout();
    modeRow->setSpacing(12);
    modeRow->addWidget(label(page, "TestModeLbl", tr("考试模式：")));
    m_teamBtn = button(page, "TeamExamBtn", tr("集中作答"), QSize(96, 30));
    m_stepBtn = button(page, "StepExamBtn", tr("逐题作答"), QSize(96, 30));
    modeRow->addWidget(m_teamBtn);
    modeRow->addWidget(m_stepBtn);
    modeRow->addStretch();
    body->addLayout(modeRow);

    auto* timeRow = new QHBoxLayout();
    timeRow->setSpacing(4);
    timeRow->addWidget(label(page, "TestTimLbl", tr("考试时间：")));
    auto box = [page](const char* name, const QString& suffix, int max) {
        auto* spin = new ZUNoSelSpinBox(page);
        spin->setObjectName(name);
        spin->setSuffix(suffix);
        spin->setRange(0, max);
        spin->setFixedWidth(64);
        spin->setAlignment(Qt::AlignCenter);
        return spin;
    };
    m_hourBox = box("HourSpinBox", tr("时"), 2);
    m_minBox = box("MinSpinBox", tr("分"), 59);
    m_secBox = box("SecSpinBox", tr("秒"), 59);
    timeRow->addWidget(m_hourBox);
    timeRow->addWidget(label(page, "hourColon", QStringLiteral(":")));
    timeRow->addWidget(m_minBox);
    timeRow->addWidget(label(page, "minColon", QStringLiteral(":")));
    timeRow->addWidget(m_secBox);
    timeRow->addStretch();
    body->addLayout(timeRow);
    body->addStretch();
    body->addSpacing(10);

    m_startBtn = button(page, "StartTestBtn", tr("开始测验"), QSize(160, 40));
    body->addWidget(m_startBtn, 0, Qt::AlignHCenter);
    layout->addWidget(m_settingsBody, 1);
    return page;
}

void ZUTAVExamSetDlg::addShadow()
{
    auto* shadow = new QGraphicsDropShadowEffect(m_pageWidget);
    shadow->setBlurRadius(12);
    shadow->setColor(QColor(170, 170, 170, 180));
    shadow->setOffset(0, 0);
    m_pageWidget->setGraphicsEffect(shadow);
}

// ---- opening -------------------------------------------------------------------------------------------------

void ZUTAVExamSetDlg::showWithSettings()
{
    loadTestSettings();
    show();
    raise();
    activateWindow();
}

void ZUTAVExamSetDlg::clearChosenPaper()
{
    m_midWidget->hide();
    m_choInfoWidget->hide();
    m_choPapIconBtn->show();
    m_testName->clear();
    m_totalScore->setText(tr("0分"));
    m_testNum->setText(tr("0题"));
    m_startBtn->setEnabled(false);
}

void ZUTAVExamSetDlg::loadTestSettings()
{
    clearChosenPaper();
    m_slide->stop();
    m_examWidget->move(0, -kPageHeight);
    m_paperPageShown = false;

    const QMap<QString, QString>& config = TAVMemInfo::getInstance()->configMap;
    int h = 0, m = 0, s = 0;
    ExamDuration::split(config.value("TestTime").toInt(), h, m, s);
    {
        // The ranges an earlier opening narrowed must not bend this duration.
        const QSignalBlocker blockHours(m_hourBox), blockMinutes(m_minBox), blockSeconds(m_secBox);
        m_hourBox->setRange(0, 2);
        m_minBox->setRange(0, 59);
        m_secBox->setRange(0, 59);
        m_hourBox->setValue(h);
        m_minBox->setValue(m);
        m_secBox->setValue(s);
    }
    applyDurationRanges();
    setMode(config.value("TestMode").toInt() != 0 ? 1 : 0);
}

int ZUTAVExamSetDlg::duration() const
{
    return m_hourBox->value() * 3600 + m_minBox->value() * 60 + m_secBox->value();
}

void ZUTAVExamSetDlg::applyDurationRanges()
{
    const ExamDuration::Ranges ranges
        = ExamDuration::rangesFor(m_hourBox->value(), m_minBox->value(), m_secBox->value());
    const QSignalBlocker blockHours(m_hourBox), blockMinutes(m_minBox), blockSeconds(m_secBox);
    m_hourBox->setRange(ranges.hours.min, ranges.hours.max);
    m_minBox->setRange(ranges.minutes.min, ranges.minutes.max);
    m_secBox->setRange(ranges.seconds.min, ranges.seconds.max);
}

void ZUTAVExamSetDlg::on_HourSpinBox_valueChanged(int)
{
    applyDurationRanges();
}

void ZUTAVExamSetDlg::on_MinSpinBox_valueChanged(int)
{
    applyDurationRanges();
}

void ZUTAVExamSetDlg::on_SecSpinBox_valueChanged(int)
{
    applyDurationRanges();
}

void ZUTAVExamSetDlg::setMode(int mode)
{
    m_mode = mode;
    m_teamBtn->setStyleSheet(mode == 1 ? kChosenMode : kOtherMode);
    m_stepBtn->setStyleSheet(mode == 1 ? kOtherMode : kChosenMode);
}

void ZUTAVExamSetDlg::on_TeamExamBtn_clicked()
{
    setMode(1);
}

void ZUTAVExamSetDlg::on_StepExamBtn_clicked()
{
    setMode(0);
}

// ---- the catalogue -------------------------------------------------------------------------------------------

void ZUTAVExamSetDlg::setLoading(bool loading)
{
    if (loading) {
        // Beside the start button, where it covers no control.
        const QRect start(m_startBtn->mapTo(this, QPoint()), m_startBtn->size());
        m_loading->move(start.right() + 16, start.center().y() - m_loading->height() / 2);
        m_movie->start();
        m_loading->show();
        m_loading->raise();
    } else {
        m_movie->stop();
        m_loading->hide();
    }
}

void ZUTAVExamSetDlg::showError(const QString& text)
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(ZUTipDlg::Yes, 0);
    box->setButtonText(ZUTipDlg::Yes, tr("确认"));
    box->setText(text, tr("错误"));
    box->exec();
}

void ZUTAVExamSetDlg::showPapers(const QList<PaperListItem>& papers)
{
    m_paperList->clear();
    for (const PaperListItem& paper : papers) {
        auto* item = new QListWidgetItem(paper.paperName, m_paperList);
        item->setData(Qt::UserRole, paper.paperID);
        // A tool tip that looks like markup is drawn as rich text; the name is the server's, so it stays text.
        item->setToolTip(Qt::convertFromPlainText(paper.paperName, Qt::WhiteSpaceNormal));
    }
    m_pageNum->setText(QString::number(m_catalogue.currentPage()));
}

void ZUTAVExamSetDlg::on_ChoPapBtn_clicked()
{
    setLoading(true);
    m_paperList->clear();
    const bool fetched = m_catalogue.openFirstPage();
    if (!fetched) {
        setLoading(false);
        showError(tr("获取试卷信息失败"));
        return;
    }
    showPapers(m_catalogue.currentList());
    slideExamWidget(-kPageHeight, 0);
    setLoading(false);
}

void ZUTAVExamSetDlg::on_DownBtn_clicked()
{
    switch (m_catalogue.nextPage()) {
    case PaperCatalogue::Moved:
        showPapers(m_catalogue.currentList());
        break;
    case PaperCatalogue::Failed:
        showError(tr("获取试卷信息失败"));
        break;
    case PaperCatalogue::Unchanged:
        break;
    }
}

void ZUTAVExamSetDlg::on_UpBtn_clicked()
{
    if (m_catalogue.previousPage() == PaperCatalogue::Moved)
        showPapers(m_catalogue.currentList());
}

void ZUTAVExamSetDlg::on_ParChoSureBtn_clicked()
{
    const QList<QListWidgetItem*> selected = m_paperList->selectedItems();
    if (selected.isEmpty()) {
        qWarning() << "****the select size is 0";
        return;
    }
    m_testName->setText(selected.first()->text());
    m_paperID = selected.first()->data(Qt::UserRole).toString();
    const PaperListItem paper = m_catalogue.paper(m_paperID);
    m_totalScore->setText(tr("%1分").arg(paper.allScores));
    m_testNum->setText(tr("%1题").arg(paper.questionNumCount));
    m_startBtn->setEnabled(true);
    m_midWidget->show();
    m_choInfoWidget->show();
    m_choPapIconBtn->hide();
    slideExamWidget(0, -kPageHeight);
}

void ZUTAVExamSetDlg::on_PapSetExitBtn_clicked()
{
    slideExamWidget(0, -kPageHeight);
    clearChosenPaper();
}

void ZUTAVExamSetDlg::slideExamWidget(int fromY, int toY)
{
    m_paperPageShown = toY == 0;
    // The shadow is drawn again once the page stands still.
    m_pageWidget->setGraphicsEffect(nullptr);
    m_slide->stop();
    m_slide->setStartValue(QRect(QPoint(0, fromY), m_examWidget->size()));
    m_slide->setEndValue(QRect(QPoint(0, toY), m_examWidget->size()));
    m_slide->start();
}

void ZUTAVExamSetDlg::animationFinish()
{
    addShadow();
}

// ---- leaving -------------------------------------------------------------------------------------------------

void ZUTAVExamSetDlg::on_TestSetExitBtn_clicked()
{
    hide();
    leave();
}

void ZUTAVExamSetDlg::closeEvent(QCloseEvent* e)
{
    // Closed by the window system: as with the close button.
    ZUTAVDialogBase::closeEvent(e);
    leave();
}

void ZUTAVExamSetDlg::leave()
{
    m_loadWanted = false;
    // A load under way is given up first: the tool bar comes back once it has let go.
    if (!m_loadingPaper)
        ZUToolBarReturn::bringBack();
}

bool ZUTAVExamSetDlg::loadPaper(ZUBaseExamSer& ser)
{
    m_loadWanted = true;
    m_loadingPaper = true;
    setLoading(true);
    // Only the close button stays usable: the teacher's input reaches the dialog while the pictures arrive, and
    // the close button gives the load up, leaving the earlier paper as it was.
    m_settingsBody->setEnabled(false);
    m_paperPage->setEnabled(false);
    HttpDownFile::getInstance()->setInputWindow(this);
    const int loaded = ser.getPaperInfo(m_paperID, [this] { return m_loadWanted; });
    HttpDownFile::getInstance()->setInputWindow(nullptr);
    m_paperPage->setEnabled(true);
    m_settingsBody->setEnabled(true);
    setLoading(false);
    m_loadingPaper = false;
    if (!m_loadWanted) {
        ZUToolBarReturn::bringBack();
        return false;
    }
    if (loaded != 0) {
        showError(tr("加载试卷信息失败"));
        return false;
    }
    return true;
}

void ZUTAVExamSetDlg::on_StartTestBtn_clicked()
{
    if (m_loadingPaper)
        return;
    ZUExamMem* exam = ZUExamMem::getInstance();
    exam->m_examDuration = duration();
    const PaperListItem paper = m_catalogue.paper(m_paperID);
    exam->m_questionNum = paper.questionNumCount;
    exam->m_allScores = paper.allScores.toInt();
    exam->m_paperName = paper.paperName;

    if (m_mode == 1) {
        ZUTeamExamSer* team = ZUTeamExamSer::getInstance();
        exam->m_examSer = team;
        if (!loadPaper(*team))
            return;
        team->resetExamTime();
        ZUTeamExamDlg::getInstance()->showExam();
        hide();
        return;
    }

    ZUStepExamSer* step = ZUStepExamSer::getInstance();
    exam->m_examSer = step;
    if (!loadPaper(*step))
        return;
    QString error;
    if (step->checkExamSettings(error) != 0) {
        showError(error);
        return;
    }
    ZUStepExamDlg::getInstance()->showExam();
    hide();
}

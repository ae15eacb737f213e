#include "ZUSetUpDlg.h"

#include "CodeTool.h"
#include "TAVMemInfo.h"
#include "ZUFormFrame.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUNoSelSpinBox.h"
#include "ZURichText.h"
#include "ZUSound.h"
#include "ZUStuLinkDlg.h"
#include "ZUTipDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString formStyle()
{
    return ZUFormFrame::styleSheet(R"(
#mainFrame { background-color: #ffffff; border: 1px solid #d6d6d6; }
#SetCloseBtn { border: none; border-image: url(@Login/close.png); }
#SetCloseBtn:hover { border-image: url(@Login/close-h.png); }
QTabWidget::pane { border: none; border-top: 1px solid #d6d6d6; }
QTabBar::tab { font-size: 15px; min-width: 150px; padding: 10px 18px; }
QLabel { color: #555555; font-size: 16px; }
QLabel[hint="true"] { color: #999999; font-size: 14px; }
QComboBox { font-size: 16px; min-height: 30px; min-width: 200px; }
QCheckBox { color: #555555; font-size: 16px; }
QSpinBox { font-size: 16px; min-height: 30px; }
QLineEdit { font-size: 16px; min-height: 30px; }
QPushButton#decTimeBtn, QPushButton#addTimeBtn { font-size: 18px; font-weight: bold; min-width: 30px;
    min-height: 30px; padding: 0; }
QPushButton[tavRole="primary"], QPushButton[tavRole="plain"] { font-size: 15px; min-width: 96px; min-height: 34px; }
QLabel#TeaBindingExplainLbl, QLabel#StuBindingExplainLbl { color: #555555; font-size: 15px; }
QPushButton[play="true"] { border: none; border-image: url(@setup/tav_setup_play.png); min-width: 24px;
    max-width: 24px; min-height: 24px; max-height: 24px; padding: 0; }
QPushButton[play="true"]:hover { border-image: url(@setup/tav_setup_play-h.png); }
)");
}

QLabel* hint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setProperty("hint", true);
    return label;
}

QPushButton* pushButton(const char* name, const QString& text, const char* role, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setProperty("tavRole", role);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

// The row of a tab's action and close buttons at its foot.
QHBoxLayout* footer(QPushButton* action, QPushButton* close)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(12);
    row->addStretch();
    row->addWidget(action);
    row->addWidget(close);
    return row;
}

// The labels and fields of a tab: labels right-aligned in the first column.
QGridLayout* formGrid()
{
    auto* grid = new QGridLayout();
    grid->setContentsMargins(60, 50, 60, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(28);
    grid->setColumnStretch(1, 1);
    return grid;
}

QWidget* formPage(QWidget* page, QGridLayout* grid, QPushButton* action, QPushButton* close)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 0, 20, 20);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(footer(action, close));
    return page;
}

ZUNoSelSpinBox* timeField(const char* name, int max, const QString& suffix, QWidget* parent)
{
    auto* box = new ZUNoSelSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, max);
    box->setSuffix(suffix);
    box->setAlignment(Qt::AlignCenter);
    box->setMinimumWidth(90);
    return box;
}

QString keyPicture(const QString& name)
{
    return ZUFormFrame::imagePath("setup/" + name);
}

// The steps of a binding instruction, one paragraph each.
ZURichText steps()
{
    return ZURichText(QStringLiteral("margin: 3px 0;"));
}

} // namespace

ZUSetUpDlg::ZUSetUpDlg()
    : ZUTAVDialogBase(nullptr)
    , m_tip(ZUTipDlg::getInstance())
{
    setObjectName("ZUTAVSetUpDialog");
    setWindowTitle(tr("系统配置"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(988, 707);
    buildForm();
    QMetaObject::connectSlotsByName(this);
    connect(ZUHdManager::getInstance(), &ZUHdManager::devChange, this, qOverload<bool>(&ZUSetUpDlg::getStationSn));
    for (const char* name : { "InteractionCloseBtn", "TestAssistantCloseBtn", "ParaSetCloseBtn", "BindingSetCloseBtn" })
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, &QWidget::hide);
    for (QPushButton* play : playButtons)
        connect(play, &QPushButton::clicked, this, &ZUSetUpDlg::PlaySoundBtnClicked);
    CodeTool::centerOnDesktop(this);
}

void ZUSetUpDlg::buildForm()
{
    setStyleSheet(formStyle());
    QVBoxLayout* layout = ZUFormFrame::addMainFrame(this);
    const auto buttons = ZUFormFrame::addTitleBar(layout, tr("系统设置"), { { "SetCloseBtn", tr("关闭") } }, 44);
    connect(buttons.first(), &QPushButton::clicked, this, &QWidget::hide);

    m_tabs = new QTabWidget(layout->parentWidget());
    m_tabs->setObjectName("tabWidget");
    m_tabs->addTab(buildInteractionTab(), tr("自由互动设置"));
    m_tabs->addTab(buildQuizTab(), tr("课间测设置"));
    m_tabs->addTab(buildBindingTab(), tr("硬件绑定设置"));
    m_tabs->addTab(buildSoundTab(), tr("系统参数设置"));
    m_tabs->setCurrentIndex(0);
    auto* body = new QVBoxLayout();
    body->setContentsMargins(20, 16, 20, 20);
    body->addWidget(m_tabs);
    layout->addLayout(body, 1);
}

QWidget* ZUSetUpDlg::buildInteractionTab()
{
    auto* page = new QWidget;
    QGridLayout* grid = formGrid();

    m_modeBox = new QComboBox(page);
    m_modeBox->setObjectName("ModeComboBox");
    ZUFormFrame::stylePopupList(m_modeBox);
    m_modeBox->addItems({ tr("无"), tr("A-J单选"), tr("A-J多选"), tr("数字"), tr("抢答"), tr("随机点名") });
    m_feedbackBox = new QComboBox(page);
    m_feedbackBox->setObjectName("FeedbackTypeComboBox");
    ZUFormFrame::stylePopupList(m_feedbackBox);
    m_feedbackBox->addItems({ tr("无"), tr("表决"), tr("是否"), tr("评价") });

    m_timeBox = new ZUNoSelSpinBox(page);
    m_timeBox->setObjectName("InteractionTimeSpinBox");
    m_timeBox->setRange(ZUSetUpSer::kMinTimeLimit, ZUSetUpSer::kMaxTimeLimit);
    m_timeBox->setValue(ZUSetUpSer::kMaxTimeLimit);
    m_timeBox->setSuffix(tr("秒"));
    m_timeBox->setFrame(false);
    m_timeBox->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_timeBox->setAccelerated(false);
    m_timeBox->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    m_timeBox->setAlignment(Qt::AlignCenter);
    m_timeBox->setFixedWidth(90);
    auto* timeRow = new QHBoxLayout();
    timeRow->setSpacing(6);
    timeRow->addWidget(pushButton("decTimeBtn", "-", "plain", page));
    timeRow->addWidget(m_timeBox);
    timeRow->addWidget(pushButton("addTimeBtn", "+", "plain", page));
    timeRow->addWidget(hint(tr("（1~200）"), page));
    timeRow->addStretch();

    m_unAnswerBox = new QCheckBox(tr("不显示未答者"), page);
    m_unAnswerBox->setObjectName("ShowUnAnswerCheckBox");
    m_anonymousBox = new QCheckBox(tr("匿名反馈（仅在反馈模式有效）"), page);
    m_anonymousBox->setObjectName("AnonymousFeedbackCheckBox");

    grid->addWidget(new QLabel(tr("默认问答模式："), page), 0, 0, Qt::AlignRight);
    grid->addWidget(m_modeBox, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("默认反馈类型："), page), 1, 0, Qt::AlignRight);
    grid->addWidget(m_feedbackBox, 1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(tr("每题时限："), page), 2, 0, Qt::AlignRight);
    grid->addLayout(timeRow, 2, 1);
    grid->addWidget(m_unAnswerBox, 3, 1);
    grid->addWidget(m_anonymousBox, 4, 1);
    return formPage(page, grid, pushButton("InteractionSaveBtn", tr("保存"), "primary", page),
                    pushButton("InteractionCloseBtn", tr("关闭"), "plain", page));
}

QWidget* ZUSetUpDlg::buildQuizTab()
{
    auto* page = new QWidget;
    m_hourBox = timeField("HourSpinBox", 2, tr("时"), page);
    m_minBox = timeField("MinSpinBox", 59, tr("分"), page);
    m_secBox = timeField("SecSpinBox", 59, tr("秒"), page);
    auto* timeRow = new QHBoxLayout();
    timeRow->setSpacing(8);
    timeRow->addWidget(m_hourBox);
    timeRow->addWidget(new QLabel(tr("："), page));
    timeRow->addWidget(m_minBox);
    timeRow->addWidget(new QLabel(tr("："), page));
    timeRow->addWidget(m_secBox);
    timeRow->addWidget(hint(tr("（1分钟~2小时）"), page));
    timeRow->addStretch();

    m_testModeBox = new QComboBox(page);
    m_testModeBox->setObjectName("TestModeComboBox");
    ZUFormFrame::stylePopupList(m_testModeBox);
    m_testModeBox->addItems({ tr("逐题作答"), tr("集中作答") });

    QGridLayout* grid = formGrid();
    grid->addWidget(new QLabel(tr("默认考试时间："), page), 0, 0, Qt::AlignRight);
    grid->addLayout(timeRow, 0, 1);
    grid->addWidget(new QLabel(tr("默认考试模式："), page), 1, 0, Qt::AlignRight);
    grid->addWidget(m_testModeBox, 1, 1, Qt::AlignLeft);
    return formPage(page, grid, pushButton("TestAssistantSaveBtn", tr("保存"), "primary", page),
                    pushButton("TestAssistantCloseBtn", tr("关闭"), "plain", page));
}

QWidget* ZUSetUpDlg::buildBindingTab()
{
    auto* page = new QWidget;
    auto picture = [page](const char* name, const QString& file) {
        auto* label = new QLabel(page);
        label->setObjectName(name);
        label->setPixmap(QPixmap(ZUFormFrame::imagePath("setup/" + file)));
        label->setScaledContents(true);
        label->setFixedSize(130, 130);
        return label;
    };
    auto* snRow = new QHBoxLayout();
    auto* snLbl = new QLabel(tr("接收器编号："), page);
    snLbl->setObjectName("StationSnLbl");
    m_stationSn = new QLineEdit("100081", page);
    m_stationSn->setObjectName("StationSnLineEdit");
    m_stationSn->setReadOnly(true);
    m_stationSn->setFixedWidth(220);
    snRow->addWidget(snLbl);
    snRow->addWidget(m_stationSn);
    snRow->addStretch();

    auto* pictures = new QHBoxLayout();
    pictures->setSpacing(30);
    pictures->addStretch();
    pictures->addWidget(picture("StationImageLbl", "tav_setup_rec_machine.png"));
    pictures->addWidget(picture("StuMachineImageLbl", "tav_setup_stu_machine.png"));
    pictures->addWidget(picture("TeaMachineImageLbl", "tav_setup_tea_machine.png"));
    pictures->addStretch();

    const QString plus = " + ";
    auto* teaExplain = new QLabel(page);
    teaExplain->setObjectName("TeaBindingExplainLbl");
    teaExplain->setWordWrap(true);
    steps()
        .text(tr("1.正确连接接收器并系统自动安装完驱动；"))
        .paragraph()
        .text(tr("2.点击“教师机绑定按钮”；"))
        .paragraph()
        .text(tr("3.教师机同时按"))
        .picture(keyPicture("tav_setup_up.png"))
        .text(plus)
        .picture(keyPicture("tav_setup_pow.png"))
        .text(tr("系统提示绑定成功；"))
        .paragraph()
        .text(tr("4.如果教师机绑定未成功，须再次尝试绑定"))
        .showIn(teaExplain);
    auto* stuExplain = new QLabel(page);
    stuExplain->setObjectName("StuBindingExplainLbl");
    stuExplain->setWordWrap(true);
    auto keys = [plus](ZURichText& text) -> ZURichText& {
        return text.picture(keyPicture("tav_setup_FN.png"))
            .text(plus)
            .picture(keyPicture("tav_setup_5.png"))
            .text(tr("后，再按"))
            .picture(keyPicture("tav_setup_figer.png"));
    };
    ZURichText stuSteps = steps();
    stuSteps.text(tr("1.正确连接接收器并系统自动安装完驱动；"))
        .paragraph()
        .text(tr("2.快速逐人绑定模式：点击“学生机快速绑定开始”按钮-->对应学生机同时按下"));
    keys(stuSteps).text(tr("，完成绑定-->依次完成")).paragraph().text(tr("班级内全部学生机绑定；"));
    stuSteps.paragraph().text(tr("3.快速单独绑定模式：点击任意学生图标按钮-->对应学生机同时按下"));
    keys(stuSteps).text(tr("，完成该名学生绑定；")).showIn(stuExplain);

    auto* explain = new QGridLayout();
    explain->setHorizontalSpacing(12);
    explain->setVerticalSpacing(10);
    auto* teaLbl = new QLabel(tr("教师机绑定说明："), page);
    teaLbl->setObjectName("TeaBindingLbl");
    auto* stuLbl = new QLabel(tr("学生机绑定说明："), page);
    stuLbl->setObjectName("StuBindingLbl");
    explain->addWidget(teaLbl, 0, 0, Qt::AlignTop | Qt::AlignRight);
    explain->addWidget(teaExplain, 0, 1);
    explain->addWidget(stuLbl, 1, 0, Qt::AlignTop | Qt::AlignRight);
    explain->addWidget(stuExplain, 1, 1);
    explain->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(40, 16, 20, 20);
    layout->setSpacing(10);
    layout->addLayout(snRow);
    layout->addLayout(pictures);
    layout->addLayout(explain);
    layout->addStretch();
    layout->addLayout(footer(pushButton("BindingSetBtn", tr("硬件设备绑定"), "primary", page),
                             pushButton("BindingSetCloseBtn", tr("关 闭"), "plain", page)));
    return page;
}

QWidget* ZUSetUpDlg::buildSoundTab()
{
    auto* page = new QWidget;
    const QVector<ZUSetUpSer::SoundEvent>& events = ZUSetUpSer::soundEvents();
    m_soundTable = new QTableWidget(events.size(), 3, page);
    m_soundTable->setObjectName("ParaSetTableWidget");
    m_soundTable->setHorizontalHeaderLabels({ tr("类别"), tr("路径"), tr("播放") });
    m_soundTable->horizontalHeader()->setFixedHeight(34);
    m_soundTable->horizontalHeader()->setStretchLastSection(true);
    m_soundTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_soundTable->verticalHeader()->setVisible(false);
    m_soundTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_soundTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_soundTable->setFocusPolicy(Qt::NoFocus);
    m_soundTable->setColumnWidth(0, 160);
    m_soundTable->setColumnWidth(1, 450);
    // A path is one line (wrapped at its slashes the file name would fall below the row); when it is longer
    // than its column it loses the start of the folder, not the file name.
    m_soundTable->setWordWrap(false);
    m_soundTable->setTextElideMode(Qt::ElideLeft);
    for (int row = 0; row < events.size(); ++row) {
        m_soundTable->setRowHeight(row, 33);
        auto* checkCell = new QWidget;
        auto* checkLayout = new QHBoxLayout(checkCell);
        checkLayout->setContentsMargins(10, 0, 0, 0);
        auto* check = new QCheckBox(tr(events.at(row).label), checkCell);
        check->setObjectName(events.at(row).checkBox);
        checkLayout->addWidget(check);
        m_soundTable->setCellWidget(row, 0, checkCell);
        auto* playCell = new QWidget;
        auto* playLayout = new QHBoxLayout(playCell);
        playLayout->setContentsMargins(10, 0, 0, 0);
        auto* play = new QPushButton(playCell);
        play->setObjectName(events.at(row).playButton);
        play->setProperty("play", true);
        play->setCursor(Qt::PointingHandCursor);
        play->setToolTip(tr("播放"));
        playLayout->addWidget(play);
        playLayout->addStretch();
        m_soundTable->setCellWidget(row, 2, playCell);
        soundCheckBoxes.append(check);
        playButtons.append(play);
    }
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(new QLabel(tr("互动声音设置："), page));
    layout->addWidget(m_soundTable, 1);
    layout->addLayout(footer(pushButton("ParaSetSaveBtn", tr("保存"), "primary", page),
                             pushButton("ParaSetCloseBtn", tr("关闭"), "plain", page)));
    return page;
}

void ZUSetUpDlg::loadSettings()
{
    const ZUSetUpSer::Values values = ZUSetUpSer::load(TAVMemInfo::getInstance()->configMap);
    m_modeBox->setCurrentIndex(values.answerMethod);
    m_feedbackBox->setCurrentIndex(values.feedbackType);
    m_timeBox->setValue(values.timeLimit);
    m_unAnswerBox->setChecked(values.doNotShowUnAnswer);
    m_anonymousBox->setChecked(values.anonymousFeedback);
    getStationSn();
    for (int row = 0; row < values.sounds.size(); ++row) {
        m_soundTable->setItem(
            row, 1,
            new QTableWidgetItem(QCoreApplication::applicationDirPath() + "/sound/" + values.sounds.at(row).file));
        soundCheckBoxes.at(row)->setChecked(values.sounds.at(row).play);
    }
    loadQuizTime(values.testTime);
    m_testModeBox->setCurrentIndex(values.testMode);
}

void ZUSetUpDlg::loadQuizTime(int seconds)
{
    const int h = seconds / 3600;
    const int m = seconds % 3600 / 60;
    const int s = seconds % 60;
    // The limits left by the previous opening would clamp the stored time.
    setRange(m_hourBox, { 0, 2 });
    setRange(m_minBox, { 0, 59 });
    setRange(m_secBox, { 0, 59 });
    if (h != 0 && m == 0 && s == 0)
        m_hourBox->setMinimum(1);
    if (h == 0) {
        if (m == 0)
            m_secBox->setMinimum(1);
        if (s == 0) {
            m_minBox->setMinimum(1);
            if (m == 0)
                m_hourBox->setMinimum(1);
        }
    }
    m_hourBox->setValue(h);
    m_minBox->setValue(m);
    m_secBox->setValue(s);
}

void ZUSetUpDlg::setRange(QSpinBox* box, ZUSetUpSer::Range range)
{
    box->setMaximum(range.max);
    box->setMinimum(range.min);
}

void ZUSetUpDlg::on_HourSpinBox_valueChanged(int hour)
{
    const ZUSetUpSer::Range minutes = ZUSetUpSer::minuteRange(hour);
    const ZUSetUpSer::Range seconds = ZUSetUpSer::secondRange(hour);
    m_minBox->setMaximum(minutes.max);
    m_secBox->setMaximum(seconds.max);
    m_secBox->setMinimum(seconds.min);
    m_minBox->setMinimum(minutes.min);
}

void ZUSetUpDlg::on_MinSpinBox_valueChanged(int minutes)
{
    setRange(m_hourBox, ZUSetUpSer::hourRange(minutes, m_secBox->value()));
}

void ZUSetUpDlg::on_SecSpinBox_valueChanged(int seconds)
{
    m_minBox->setMinimum(ZUSetUpSer::minuteRange(m_hourBox->value()).min);
    setRange(m_hourBox, ZUSetUpSer::hourRange(m_minBox->value(), seconds));
}

ZUSetUpSer::Values ZUSetUpDlg::values() const
{
    ZUSetUpSer::Values values;
    values.answerMethod = m_modeBox->currentIndex();
    values.feedbackType = m_feedbackBox->currentIndex();
    values.timeLimit = m_timeBox->value();
    values.doNotShowUnAnswer = m_unAnswerBox->isChecked();
    values.anonymousFeedback = m_anonymousBox->isChecked();
    values.testTime = m_hourBox->value() * 3600 + m_minBox->value() * 60 + m_secBox->value();
    values.testMode = m_testModeBox->currentIndex();
    for (int row = 0; row < soundCheckBoxes.size(); ++row) {
        ZUSetUpSer::Sound sound;
        const QTableWidgetItem* item = m_soundTable->item(row, 1);
        sound.file = ZUSetUpSer::fileName(item ? item->text() : QString());
        sound.play = soundCheckBoxes.at(row)->isChecked();
        values.sounds.append(sound);
    }
    return values;
}

void ZUSetUpDlg::save(ZUSetUpSer::Tab tab)
{
    if (ZUSetUpSer::save(tab, values())) {
        m_tip->setButtons(ZUTipDlg::Yes, 1);
        m_tip->setText(tr("配置保存成功"), tr("信息"));
    } else {
        m_tip->setButtons(ZUTipDlg::Yes, 0);
        m_tip->setText(tr("配置保存失败，设置未改变"), tr("错误"));
    }
    m_tip->show();
}

void ZUSetUpDlg::on_InteractionSaveBtn_clicked()
{
    save(ZUSetUpSer::InteractionTab);
}

void ZUSetUpDlg::on_TestAssistantSaveBtn_clicked()
{
    save(ZUSetUpSer::QuizTab);
}

void ZUSetUpDlg::on_ParaSetSaveBtn_clicked()
{
    save(ZUSetUpSer::SoundTab);
}

void ZUSetUpDlg::on_BindingSetBtn_clicked()
{
    ZUStuLinkDlg* binding = ZUStuLinkDlg::getInstance();
    binding->onShow();
    binding->raise();
}

void ZUSetUpDlg::on_decTimeBtn_clicked()
{
    m_timeBox->setValue(m_timeBox->value() - 1);
}

void ZUSetUpDlg::on_addTimeBtn_clicked()
{
    m_timeBox->setValue(m_timeBox->value() + 1);
}

void ZUSetUpDlg::PlaySoundBtnClicked()
{
    int row = 0;
    const QString name = sender() ? sender()->objectName() : QString();
    for (int i = 0; i < playButtons.size(); ++i) {
        if (playButtons.at(i)->objectName() == name)
            row = i;
    }
    const QTableWidgetItem* item = m_soundTable->item(row, 1);
    const QString path = ZUSetUpSer::soundPath(ZUSetUpSer::fileName(item ? item->text() : QString()));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        ZUSound::getInstance()->playFile(path);
        return;
    }
    m_tip->setButtons(ZUTipDlg::Yes, 0);
    m_tip->setText(tr("音乐文件不存在！"), tr("消息"));
    m_tip->exec();
}

void ZUSetUpDlg::getStationSn(bool)
{
    getStationSn();
}

void ZUSetUpDlg::getStationSn()
{
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    m_stationSn->setText(api ? api->serialNumber() : QString());
}

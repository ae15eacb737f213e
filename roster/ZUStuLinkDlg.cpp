#include "ZUStuLinkDlg.h"

#include "TAVMemInfo.h"
#include "ZUFormFrame.h"
#include "ZUHdManager.h"
#include "ZURichText.h"
#include "ZUStuLinkFlow.h"
#include "ZUStuLinkItem.h"
#include "ZUStuLinkSer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUViewTableWidget.h"

#include <QComboBox>
#include <QDebug>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const int kTileWidth = 116;
const int kRowHeight = 128;

QString formStyle()
{
    return ZUFormFrame::styleSheet(R"(
QDialog#ZUTAVStudentLinkDialog { background-color: rgb(240, 240, 240); }
#TitWidg { background-color: rgb(57, 186, 96); }
#ImageLbl { border-image: url(@interactData/logo.png); }
#TitLbl { color: #ffffff; font-size: 12pt; }
#StuLinkCloseBtn { border: none; border-image: url(@toolbar/tav-exit-n.png); }
#StuLinkCloseBtn:hover { border-image: url(@toolbar/tav-exit-h.png); }
#CountWidg QLabel { color: rgb(163, 163, 163); font-size: 18px; }
#CountWidg QLabel#BindingdNumLbl { color: rgb(57, 186, 96); }
#StuLinkTabWidg { background-color: rgb(240, 240, 240); border: none; }
#SetWidg { background-color: rgb(57, 186, 96); }
#SetWidg QLabel { color: #ffffff; font-size: 18px; }
#ClassNameListComboBox { min-height: 36px; font-size: 13pt; padding-left: 5px; min-width: 180px; }
#matchBg { border-image: url(@binding/matchbg.png); }
#SetWidg QPushButton { color: rgb(57, 186, 96); font-size: 18px; border: none; padding: 0 12px;
                       border-image: url(@binding/tav_binding_n.png); }
#SetWidg QPushButton:hover, #SetWidg QPushButton:pressed { border-image: url(@binding/tav_binding_s.png); }
#SetWidg QPushButton:disabled { color: #b5b5b5; }
)");
}

// The look of the screen's prompts in the notice: 14 pt black paragraphs.
ZURichText prompt()
{
    return ZURichText(QStringLiteral("font-size:14pt; color:#000000;"));
}

QString keyImage(const QString& name)
{
    return ZUFormFrame::imagePath("setup/" + name);
}

} // namespace

ZUStuLinkDlg::ZUStuLinkDlg()
    : QDialog(nullptr)
    , m_flow(new ZUStuLinkFlow(this))
    , m_tip(ZUTipDlg::getInstance())
    , m_hd(ZUHdManager::getInstance())
{
    setObjectName("ZUTAVStudentLinkDialog");
    setWindowTitle(tr("绑定"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(1302, 678);
    buildForm();
    QMetaObject::connectSlotsByName(this);

    connect(m_hd, &ZUHdManager::devChange, this, &ZUStuLinkDlg::devChanged);
    connect(m_hd, &ZUHdManager::sendSetIdData, this, &ZUStuLinkDlg::receivedSetIdData);
    connect(m_hd, &ZUHdManager::sendStudentData, this, &ZUStuLinkDlg::receivedStuData);
    connect(m_hd, &ZUHdManager::sendTeacherData, this, &ZUStuLinkDlg::receivedTeaData);

    connect(m_flow, &ZUStuLinkFlow::tileChanged, this, &ZUStuLinkDlg::syncItem);
    connect(m_flow, &ZUStuLinkFlow::boundCountChanged, this,
            [this](int count) { m_boundNum->setText(QString::number(count)); });
    connect(m_flow, &ZUStuLinkFlow::stateChanged, this, &ZUStuLinkDlg::showBindingState);
    connect(m_flow, &ZUStuLinkFlow::stopRequested, this, [this] {
        m_tip->setText(tr("正在停止绑定状态......"), tr("消息"));
        m_tip->show();
    });
    connect(m_flow, &ZUStuLinkFlow::bindingStopped, this, [this] {
        if (m_tip->isVisible())
            m_tip->hide();
    });
    connect(m_flow, &ZUStuLinkFlow::teacherBindFinished, this, [](bool success) {
        ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
        msg->showMessage(tr("提示"), prompt().text(success ? tr("教师机绑定成功！") : tr("教师机绑定失败！")), 2, true);
        msg->setImageVisible(true);
    });
}

void ZUStuLinkDlg::buildForm()
{
    setStyleSheet(formStyle());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* title = new QWidget(this);
    title->setObjectName("TitWidg");
    title->setAttribute(Qt::WA_StyledBackground);
    title->setFixedHeight(40);
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(14, 0, 10, 0);
    auto* logo = new QLabel(title);
    logo->setObjectName("ImageLbl");
    logo->setFixedSize(20, 20);
    auto* titleText = new QLabel(tr("硬件绑定"), title);
    titleText->setObjectName("TitLbl");
    auto* closeBtn = new QPushButton(title);
    closeBtn->setObjectName("StuLinkCloseBtn");
    closeBtn->setFixedSize(26, 23);
    closeBtn->setToolTip(tr("关闭"));
    titleLayout->addWidget(logo);
    titleLayout->addWidget(titleText);
    titleLayout->addStretch();
    titleLayout->addWidget(closeBtn);
    layout->addWidget(title);

    auto* counts = new QWidget(this);
    counts->setObjectName("CountWidg");
    auto* countLayout = new QHBoxLayout(counts);
    countLayout->setContentsMargins(40, 16, 40, 8);
    auto* classNumTit = new QLabel(tr("班级人数："), counts);
    classNumTit->setObjectName("ClassNumLbl");
    m_classNum = new QLabel("0", counts);
    m_classNum->setObjectName("ClassNumbLbl");
    m_classNum->setMinimumWidth(80);
    auto* boundTit = new QLabel(tr("已绑定人数："), counts);
    boundTit->setObjectName("BindingdLbl");
    m_boundNum = new QLabel("0", counts);
    m_boundNum->setObjectName("BindingdNumLbl");
    countLayout->addWidget(classNumTit);
    countLayout->addWidget(m_classNum);
    countLayout->addSpacing(40);
    countLayout->addWidget(boundTit);
    countLayout->addWidget(m_boundNum);
    countLayout->addStretch();
    layout->addWidget(counts);

    m_table = new ZUViewTableWidget(this);
    m_table->setObjectName("StuLinkTabWidg");
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setShowGrid(false);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* tableBox = new QHBoxLayout();
    tableBox->setContentsMargins(40, 0, 40, 10);
    tableBox->addWidget(m_table);
    layout->addLayout(tableBox, 1);

    auto* bar = new QWidget(this);
    bar->setObjectName("SetWidg");
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setMinimumHeight(90);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(40, 0, 40, 0);
    barLayout->setSpacing(14);
    auto* classLbl = new QLabel(tr("班级"), bar);
    classLbl->setObjectName("ClassLbl");
    m_combo = new QComboBox(bar);
    m_combo->setObjectName("ClassNameListComboBox");
    ZUFormFrame::stylePopupList(m_combo);
    auto* snTit = new QLabel(tr("接收器编号:"), bar);
    snTit->setObjectName("StationSnLbl");
    m_stationSn = new QLabel(bar);
    m_stationSn->setObjectName("StationSnLab");
    m_stationSn->setMinimumWidth(88);
    m_stationSn->setTextFormat(Qt::PlainText);

    m_matchBg = new QWidget(bar);
    m_matchBg->setObjectName("matchBg");
    m_matchBg->setAttribute(Qt::WA_StyledBackground);
    m_matchBg->setFixedSize(99, 26);
    m_matchIcon = new QLabel(m_matchBg);
    m_matchIcon->setObjectName("matchlab");
    m_matchIcon->setGeometry(15, 4, 17, 17);
    m_matchText = new QLabel(m_matchBg);
    m_matchText->setObjectName("matchLb");
    m_matchText->setGeometry(38, 0, 58, 26);
    m_matchBg->hide();

    auto button = [bar](const char* name, const QString& text, const QString& icon) {
        auto* b = new QPushButton(text, bar);
        b->setObjectName(name);
        b->setMinimumSize(180, 40);
        b->setIcon(QIcon(ZUFormFrame::imagePath("binding/" + icon)));
        b->setIconSize(QSize(24, 24));
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    m_bindClassBtn = button("bindClassBtn", tr("更新接收器"), "station.png");
    m_teaBindBtn = button("TeaBindBtn", tr("教师机绑定"), "teacher.png");
    m_stuBindBtn = button("StuBindingBtn", tr("学生机快速绑定"), "student.png");

    barLayout->addWidget(classLbl);
    barLayout->addWidget(m_combo);
    barLayout->addSpacing(20);
    barLayout->addWidget(snTit);
    barLayout->addWidget(m_stationSn);
    barLayout->addWidget(m_matchBg);
    barLayout->addStretch();
    barLayout->addWidget(m_bindClassBtn);
    barLayout->addWidget(m_teaBindBtn);
    barLayout->addWidget(m_stuBindBtn);
    layout->addWidget(bar);
}

void ZUStuLinkDlg::onShow()
{
    qDebug() << "student link onShow";
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    showFullScreen();
    m_flow->setActive(true);
    clearView();
    const bool receiver = m_flow->reset();
    m_stationSn->setText(m_flow->serial());
    showBindingState();
    if (receiver) {
        setControlsEnabled(true);
        loadClasses();
        loadItems();
        return;
    }
    setControlsEnabled(false);
    m_matchBg->hide();
    tell(tr("未获取到接收器信息，请确认硬件状态"), tr("消息"));
}

void ZUStuLinkDlg::clearView()
{
    q_combo_ready = false;
    m_combo->clear();
    q_combo_ready = true;
    m_stationSn->clear();
    m_classNum->setText("0");
    m_boundNum->setText("0");
    m_items.clear();
    m_table->clear();
    m_table->setColumnCount(0);
    m_table->setRowCount(0);
}

void ZUStuLinkDlg::loadClasses()
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    q_combo_ready = false;
    m_combo->clear();
    for (const ClassInfoRow& row : mem->sortedClasses()) {
        m_combo->addItem(QIcon(), row.className, row.classID);
        if (row.classID == mem->currentClass.classID)
            m_combo->setCurrentIndex(m_combo->count() - 1);
    }
    q_combo_ready = true;
}

int ZUStuLinkDlg::comboClassID() const
{
    return m_combo->currentData().toInt();
}

void ZUStuLinkDlg::loadItems()
{
    m_flow->loadTiles(comboClassID());
    buildItems();
    showMatch();
    m_boundNum->setText(QString::number(m_flow->boundCount()));
    showBindingState();
}

void ZUStuLinkDlg::buildItems()
{
    const QVector<ZUStuLinkFlow::Tile>& tiles = m_flow->tiles();
    const int n = tiles.size();
    m_classNum->setText(QString::number(n));
    m_items.clear();
    m_table->clear();
    m_table->setColumnCount(0);
    m_table->setRowCount(0);

    const int width = m_table->viewport()->width();
    const int perRow = qMax(1, width / kTileWidth);
    m_columns = qMin(perRow, n);
    const int rows = m_columns ? (n + m_columns - 1) / m_columns : 0;
    m_table->setColumnCount(m_columns);
    m_table->setRowCount(rows);
    for (int c = 0; c < m_columns; ++c)
        m_table->setColumnWidth(c, width / perRow);
    for (int r = 0; r < rows; ++r)
        m_table->setRowHeight(r, kRowHeight);

    for (int i = 0; i < n; ++i) {
        const ZUStuLinkFlow::Tile& tile = tiles.at(i);
        auto* cell = new QWidget;
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        auto* item = new ZUStuLinkItem(cell);
        cellLayout->addWidget(item, 0, Qt::AlignCenter);
        item->setStuInfo(tile.sn, tile.dovaneID, tile.name, tile.stationSn);
        if (tile.look == ZUStuLinkFlow::Fn || tile.look == ZUStuLinkFlow::Sign)
            item->setCountdown(tile.countdown, false);
        item->setState(tile.look);
        connect(item, &ZUStuLinkItem::clicked, this, [this, item] { onItemClicked(item); });
        m_items.append(item);
        m_table->setCellWidget(i / m_columns, i % m_columns, cell);
    }
}

void ZUStuLinkDlg::syncItem(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    ZUStuLinkItem* item = m_items.at(index);
    const ZUStuLinkFlow::Tile& tile = m_flow->tiles().at(index);
    item->setSn(tile.sn);
    item->setStationSn(tile.stationSn);
    if (item->countdown() != tile.countdown)
        item->setCountdown(tile.countdown, false);
    if (item->state() != tile.look)
        item->setState(tile.look);
}

void ZUStuLinkDlg::showMatch()
{
    const bool match = m_flow->isMatch();
    m_matchText->setText(match ? tr("匹配") : tr("不匹配"));
    m_matchText->setStyleSheet(match ? "color: rgb(57, 186, 96);font: 18px;" : "color: red;font: 18px;");
    m_matchIcon->setStyleSheet("border-image: url("
                               + ZUFormFrame::imagePath(match ? "binding/match.png" : "binding/nomatch.png") + ");");
    m_matchBg->show();
}

void ZUStuLinkDlg::setControlsEnabled(bool enabled)
{
    m_teaBindBtn->setEnabled(enabled);
    m_bindClassBtn->setEnabled(enabled);
    m_combo->setEnabled(enabled);
}

void ZUStuLinkDlg::showBindingState()
{
    const bool binding = m_flow->isBinding();
    m_stuBindBtn->setText(binding ? tr("学生机绑定停止") : tr("学生机快速绑定"));
    const bool receiver = !m_flow->serial().isEmpty();
    m_combo->setEnabled(receiver && !binding);
    m_teaBindBtn->setEnabled(receiver && !binding);
    // A binding started from a tile must be stoppable even when every other keypad is bound.
    m_stuBindBtn->setEnabled(receiver && (binding || m_flow->firstUnbound() >= 0));
}

void ZUStuLinkDlg::tell(const QString& text, const QString& title, const QString& yesText)
{
    m_tip->setButtons(ZUTipDlg::Yes, 0);
    if (!yesText.isEmpty())
        m_tip->setButtonText(ZUTipDlg::Yes, yesText);
    m_tip->setText(text, title);
    m_tip->exec();
}

void ZUStuLinkDlg::showMismatch()
{
    tell(tr("班级与接收器不匹配，\n请先更新接收器"), tr("信息"), tr("确定"));
}

void ZUStuLinkDlg::on_StuBindingBtn_clicked()
{
    const int state = m_flow->state();
    if (state == ZUStuLinkFlow::SettingId || state == ZUStuLinkFlow::WaitingKey) {
        m_flow->requestStop();
        return;
    }
    if (state != ZUStuLinkFlow::Idle)
        return;
    if (!m_flow->isMatch()) {
        showMismatch();
        return;
    }
    const int first = m_flow->firstUnbound();
    if (first < 0)
        return;
    const QString dovaneID = m_flow->tiles().at(first).dovaneID;
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->setTitle(tr("提示"));
    msg->setImageVisible(true);
    msg->showCancelButton();
    msg->showConfirmButton();
    msg->setContent(prompt()
                        .text(tr("请按照学生列表的提示，"))
                        .paragraph()
                        .text(tr("依次按住学生机"))
                        .picture(keyImage("tav_setup_FN.png"))
                        .text("+")
                        .picture(keyImage("tav_setup_5.png"))
                        .text("-->")
                        .picture(keyImage("tav_setup_figer.png"))
                        .text(tr("键，"))
                        .paragraph()
                        .text(tr("完成快速绑定！")));
    msg->exec();
    // The receiver may have gone while the question was open.
    if (msg->result() == ZUTAVAutoMsg::Confirm && m_flow->isMatch())
        m_flow->startBinding(m_flow->indexOf(dovaneID), true);
}

void ZUStuLinkDlg::onItemClicked(ZUStuLinkItem* item)
{
    if (!m_flow->isMatch()) {
        showMismatch();
        return;
    }
    if (m_flow->state() != ZUStuLinkFlow::Idle || m_flow->serial().isEmpty())
        return;
    m_flow->startBinding(m_flow->indexOf(item->dovaneID()), false);
}

void ZUStuLinkDlg::on_StuLinkCloseBtn_clicked()
{
    const int state = m_flow->state();
    if (state != ZUStuLinkFlow::Idle && state != ZUStuLinkFlow::NotShown) {
        tell(tr("正在绑定，请停止绑定后再关闭。"), tr("消息"));
        return;
    }
    ZUStuLinkSer::getInstance()->loadStudents(TAVMemInfo::getInstance()->currentClass.classID);
    close();
}

void ZUStuLinkDlg::on_bindClassBtn_clicked()
{
    if (m_flow->isMatch())
        return;
    if (!m_flow->bindClass()) {
        tell(tr("班级与接收器绑定失败!"), tr("信息"));
        return;
    }
    showMatch();
}

void ZUStuLinkDlg::on_TeaBindBtn_clicked()
{
    switch (m_flow->bindTeacher()) {
    case ZUStuLinkFlow::NoReceiver:
        return;
    case ZUStuLinkFlow::Busy:
        tell(tr("正在绑定，请停止绑定状态后再进行教师机绑定。"), tr("确认"));
        return;
    case ZUStuLinkFlow::TeacherStarted:
        break;
    }
    ZUTAVAutoMsg* msg = ZUTAVAutoMsg::getInstance();
    msg->setTitle(tr("提示"));
    msg->setContent(prompt()
                        .text(tr("确认接收器正确连接后，"))
                        .paragraph()
                        .text(tr("同时按住教师机的"))
                        .picture(keyImage("tav_setup_up.png"))
                        .text("+")
                        .picture(keyImage("tav_setup_pow.png"))
                        .text(tr("键")));
    msg->setImageVisible(true);
    msg->exec();
    m_flow->teacherPromptClosed();
}

void ZUStuLinkDlg::on_ClassNameListComboBox_currentIndexChanged(int)
{
    if (!q_combo_ready)
        return;
    ZUStuLinkSer::getInstance()->loadStudents(comboClassID());
    loadItems();
}

void ZUStuLinkDlg::devChanged(bool)
{
    if (!isVisible())
        return;
    const bool receiver = m_flow->reset();
    ZUTAVAutoMsg::getInstance()->hide();
    if (receiver) {
        m_stationSn->setText(m_flow->serial());
        loadClasses();
        ZUStuLinkSer::getInstance()->loadStudents(comboClassID());
        loadItems();
        setControlsEnabled(true);
    } else {
        clearView();
        m_matchBg->hide();
        setControlsEnabled(false);
    }
    showBindingState();
}

void ZUStuLinkDlg::receivedSetIdData(SetIdInfo setid_info)
{
    if (isVisible())
        m_flow->setIdReceived(setid_info);
}

void ZUStuLinkDlg::receivedStuData(StudentInfo stu_info)
{
    if (isVisible())
        m_flow->keyReceived(stu_info);
}

void ZUStuLinkDlg::receivedTeaData(TeacherInfo tea_info)
{
    if (isVisible() && tea_info.data == QLatin1String("power"))
        on_StuLinkCloseBtn_clicked();
}

void ZUStuLinkDlg::keyPressEvent(QKeyEvent*) { }

void ZUStuLinkDlg::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    const int perRow = qMax(1, m_table->viewport()->width() / kTileWidth);
    if (!m_items.isEmpty() && qMin(perRow, m_items.size()) != m_columns)
        buildItems();
}

void ZUStuLinkDlg::hideEvent(QHideEvent* e)
{
    m_flow->setActive(false);
    QDialog::hideEvent(e);
}

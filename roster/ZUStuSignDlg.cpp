#include "ZUStuSignDlg.h"

#include "TAVDatabase.h"
#include "TavWriteBehind.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUFormFrame.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZURichText.h"
#include "ZUStuSign.h"
#include "ZUStuSignSer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"
#include "ZUToolBarReturn.h"
#include "ZUViewTableWidget.h"

#include <QDateTime>
#include <QDebug>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char* const kSignedColour = "rgb(118, 86, 66)";
const char* const kUnsignedColour = "rgb(192, 192, 192)";

QString formStyle()
{
    return ZUFormFrame::styleSheet(R"(
#ChooseWidget { background-color: rgb(57, 186, 96); }
#ChooseWidget QLabel { color: #ffffff; font-size: 16px; }
#ChooseWidget QLabel#TitleTit { font-size: 24px; font-weight: bold; }
#ChooseWidget QLabel#InstructionLbl { font-size: 14px; color: #e8f6ec; }
#ChooseWidget QLabel#ManualSortLbl { font-size: 18px; font-weight: bold; }
#ChooseWidget QLabel#AttendanceLbl { font-size: 22px; font-weight: bold; }
#ChooseWidget QPushButton { color: rgb(57, 186, 96); background-color: #ffffff; border: none; border-radius: 6px;
                            font-size: 18px; }
#ChooseWidget QPushButton:hover { background-color: #e8f6ec; }
#ChooseWidget QPushButton:pressed { background-color: #d3efdc; }
#ChooseWidget QPushButton:disabled { color: #a9a9a9; background-color: #e6eaed; }
#ChooseWidget QPushButton#ColDecBtn, #ChooseWidget QPushButton#RowDecBtn { background: transparent;
    border-image: url(@sign/tav_dec_n.png); border-radius: 0; }
#ChooseWidget QPushButton#ColDecBtn:hover, #ChooseWidget QPushButton#RowDecBtn:hover {
    border-image: url(@sign/tav_dec_s.png); }
#ChooseWidget QPushButton#ColAddBtn, #ChooseWidget QPushButton#RowAddBtn { background: transparent;
    border-image: url(@sign/tav_add_n.png); border-radius: 0; }
#ChooseWidget QPushButton#ColAddBtn:hover, #ChooseWidget QPushButton#RowAddBtn:hover {
    border-image: url(@sign/tav_add_s.png); }
#ChooseWidget QSpinBox { color: #ffffff; background: transparent; border: none; font-size: 18px; }
#PersonWidget { background-color: #ffffff; }
#ClassNameLbl { color: rgb(57, 186, 96); font-size: 20pt; font-weight: bold; }
#TimeLbl { color: rgb(153, 153, 153); font-size: 15px; }
#SignExitBtn { color: #ffffff; background-color: rgb(57, 186, 96); border: none; border-radius: 4px;
               font-size: 18px; font-weight: bold; padding: 0; }
#SignExitBtn:hover { background-color: #2c9a4d; }
#SignExitBtn:disabled { background-color: #d6d6d6; }
#StuSignTableWidget { background-color: #ffffff; }
)");
}

} // namespace

ZUStuSignDlg::ZUStuSignDlg()
    : QDialog(nullptr)
    , m_ser(new ZUStuSignSer(this))
    , m_tip(ZUTipDlg::getInstance())
    , m_successImage(ZUFormFrame::imagePath("sign/tav_sign_suc.png"))
    , m_failImage(ZUFormFrame::imagePath("sign/tav_sign_fai.png"))
{
    setObjectName("ZUTAVStudentSignDialog");
    setWindowTitle(tr("签到"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowModality(Qt::ApplicationModal);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        setFixedSize(area.size());
        move(area.topLeft());
    }
    buildForm();
    QMetaObject::connectSlotsByName(this);

    ZUHdManager* hd = ZUHdManager::getInstance();
    connect(hd, &ZUHdManager::devChange, this, &ZUStuSignDlg::MachineChanged);
    connect(hd, &ZUHdManager::sendStudentData, this, &ZUStuSignDlg::setReceivedStuData);
    connect(hd, &ZUHdManager::sendTeacherData, this, &ZUStuSignDlg::setReceivedTeaData);
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &ZUStuSignDlg::timeUpdate);
    // The writer tells from its own thread.
    TavWriteBehind* writer = TavWriteBehind::getInstance();
    connect(writer, &TavWriteBehind::failed, this, &ZUStuSignDlg::onWriteFailed, Qt::QueuedConnection);
    connect(writer, &TavWriteBehind::written, this, &ZUStuSignDlg::onWritten, Qt::QueuedConnection);
}

void ZUStuSignDlg::buildForm()
{
    setStyleSheet(formStyle());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* left = new QWidget(this);
    left->setObjectName("ChooseWidget");
    left->setAttribute(Qt::WA_StyledBackground);
    left->setFixedWidth(210);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(25, 30, 25, 30);
    leftLayout->setSpacing(12);
    auto label = [left](const char* name, const QString& text = QString()) {
        auto* l = new QLabel(text, left);
        l->setObjectName(name);
        return l;
    };
    auto button = [left](const char* name, const QString& text, QSize size) {
        auto* b = new QPushButton(text, left);
        b->setObjectName(name);
        b->setFixedSize(size);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    leftLayout->addWidget(label("TitleTit", tr("学生签到")), 0, Qt::AlignHCenter);
    QLabel* instruction = label("InstructionLbl");
    ZURichText()
        .text(tr("*学生机签到方法："))
        .paragraph()
        .text(tr("1.直接使用\" "))
        .picture(ZUFormFrame::imagePath("sign/tav_sign_figer.png"))
        .text(tr("\"键；"))
        .showIn(instruction);
    instruction->setWordWrap(true);
    leftLayout->addWidget(instruction);
    leftLayout->addSpacing(10);
    m_startStopBtn = button("StartStopBtn", tr("开 始"), QSize(160, 40));
    m_resetBtn = button("ReSetBtn", tr("重 置"), QSize(160, 40));
    m_closeBtn = button("SignCloseBtn", tr("退 出"), QSize(160, 40));
    leftLayout->addWidget(m_startStopBtn);
    leftLayout->addWidget(m_resetBtn);
    leftLayout->addWidget(m_closeBtn);
    leftLayout->addSpacing(20);
    leftLayout->addWidget(label("ManualSortLbl", tr("手动排序")));

    auto sizeRow = [&](const char* title, const QString& text, const char* dec, const char* box, const char* add) {
        auto* row = new QHBoxLayout();
        row->setSpacing(8);
        row->addWidget(label(title, text));
        row->addWidget(button(dec, QString(), QSize(20, 20)));
        auto* spin = new QSpinBox(left);
        spin->setObjectName(box);
        spin->setRange(0, 99);
        spin->setReadOnly(true);
        spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
        spin->setFocusPolicy(Qt::NoFocus);
        spin->setAlignment(Qt::AlignCenter);
        spin->setFixedWidth(40);
        row->addWidget(spin);
        row->addWidget(button(add, QString(), QSize(20, 20)));
        row->addStretch();
        leftLayout->addLayout(row);
        return spin;
    };
    m_colBox = sizeRow("ColTit", tr("列："), "ColDecBtn", "SignColSpinBox", "ColAddBtn");
    m_rowBox = sizeRow("RowTit", tr("行："), "RowDecBtn", "SignRowSpinBox", "RowAddBtn");
    leftLayout->addSpacing(20);

    auto* stats = new QGridLayout();
    stats->setHorizontalSpacing(4);
    stats->setVerticalSpacing(12);
    auto statRow = [&](int at, const char* title, const QString& text, const char* name) {
        stats->addWidget(label(title, text), at, 0);
        QLabel* value = label(name);
        value->setTextFormat(Qt::PlainText);
        stats->addWidget(value, at, 1);
        return value;
    };
    m_subjectLbl = statRow(0, "SubTitLbl", tr("学科："), "SubLbl");
    m_totalLbl = statRow(1, "TotalNumTit", tr("班级总人数："), "TotalNumLbl");
    m_signedLbl = statRow(2, "SignedNumTit", tr("已签到人数："), "SignedNumLbl");
    m_unsignedLbl = statRow(3, "unSignedNumTit", tr("未签到人数："), "unSignedNumLbl");
    m_attendanceLbl = statRow(4, "AttendanceTit", tr("出勤率："), "AttendanceLbl");
    leftLayout->addLayout(stats);
    leftLayout->addStretch();
    layout->addWidget(left);

    auto* right = new QWidget(this);
    right->setObjectName("PersonWidget");
    right->setAttribute(Qt::WA_StyledBackground);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(20, 10, 10, 10);
    auto* head = new QHBoxLayout();
    m_timeLbl = new QLabel(right);
    m_timeLbl->setObjectName("TimeLbl");
    m_timeLbl->setMinimumWidth(200);
    m_classNameLbl = new QLabel(right);
    m_classNameLbl->setObjectName("ClassNameLbl");
    m_classNameLbl->setAlignment(Qt::AlignCenter);
    m_classNameLbl->setTextFormat(Qt::PlainText);
    m_exitBtn = new QPushButton(QStringLiteral("×"), right);
    m_exitBtn->setObjectName("SignExitBtn");
    m_exitBtn->setFixedSize(26, 23);
    m_exitBtn->setToolTip(tr("退出"));
    auto* headRight = new QHBoxLayout();
    headRight->addStretch();
    headRight->addWidget(m_exitBtn, 0, Qt::AlignTop);
    auto* headRightBox = new QWidget(right);
    headRightBox->setLayout(headRight);
    headRightBox->setMinimumWidth(200);
    head->addWidget(m_timeLbl, 0, Qt::AlignBottom);
    head->addWidget(m_classNameLbl, 1);
    head->addWidget(headRightBox);
    rightLayout->addLayout(head);
    rightLayout->addSpacing(10);
    m_table = new ZUViewTableWidget(right);
    m_table->setObjectName("StuSignTableWidget");
    m_table->setMouseTracking(true);
    m_table->setShowGrid(false);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rightLayout->addWidget(m_table, 1);
    layout->addWidget(right, 1);
}

bool ZUStuSignDlg::receiverConnected() const
{
    ZUHdApi* api = ZUHdManager::getInstance()->currentApi();
    return api && api->isConnected();
}

void ZUStuSignDlg::initSign(const QString& className)
{
    m_clock.start();
    timeUpdate();
    m_classNameLbl->setText(className);
    m_layoutBusy = true;
    m_ser->initSign(width());
    m_colBox->setMaximum(m_ser->maxCols());
    m_colBox->setValue(m_ser->grid().cols());
    m_rowBox->setValue(m_ser->grid().rows());
    m_tiles.clear();
    m_table->clear();
    m_table->setRowCount(0);
    m_table->setColumnCount(0);
    showGrid();
    m_layoutBusy = false;
    m_subjectLbl->setText(m_ser->subjectName());
    showCounts();
    setIdleButtons(!m_ser->isSigning());
    m_startStopBtn->setEnabled(receiverConnected());
    if (!m_ser->planKnown()) {
        const auto why = m_ser->readCause();
        notice(tr("%1，已保存的座位表暂时无法读取，学生按学号就座；不调整座位时原座位表保持不变。\n%2。")
                   .arg(TavWriteCause::text(why), TavWriteCause::advice(why)));
    }
}

ZUStuSign* ZUStuSignDlg::tileAt(int row, int col) const
{
    if (row < 0 || col < 0 || row >= m_tiles.size() || col >= m_tiles.at(row).size())
        return nullptr;
    return m_tiles.at(row).at(col);
}

void ZUStuSignDlg::showGrid()
{
    const ZUSeatGrid& grid = m_ser->grid();
    // Cells that go away take their tiles with them (released by the table once control is back in the event
    // loop); the others keep theirs.
    m_table->setRowCount(grid.rows());
    m_table->setColumnCount(grid.cols());
    m_tiles.resize(grid.rows());
    for (auto& row : m_tiles)
        row.resize(grid.cols());
    if (grid.cols() > 0) {
        const int columnWidth = (width() - 245) / grid.cols();
        for (int c = 0; c < grid.cols(); ++c)
            m_table->setColumnWidth(c, columnWidth);
    }
    for (int r = 0; r < grid.rows(); ++r) {
        m_table->setRowHeight(r, 120);
        for (int c = 0; c < grid.cols(); ++c)
            showSeat(r, c);
    }
}

void ZUStuSignDlg::showSeat(int row, int col)
{
    QPointer<ZUStuSign>& tile = m_tiles[row][col];
    if (!tile || tile->parentWidget() == nullptr) {
        auto* cell = new QWidget;
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        tile = new ZUStuSign(cell);
        cellLayout->addWidget(tile, 0, Qt::AlignCenter);
        connect(tile, &ZUStuSign::seatDropped, this, &ZUStuSignDlg::swapSeats);
        m_table->setCellWidget(row, col, cell);
    }
    const SeatTile& seat = m_ser->grid().seat(row, col);
    tile->setSeat(row, col);
    tile->setInfo(seat.name, seat.keypadSn, seat.studentId);
    if (seat.studentId.isEmpty())
        tile->clearState();
    else if (seat.signedIn)
        tile->setState(m_successImage, kSignedColour);
    else
        tile->setState(m_failImage, kUnsignedColour);
}

void ZUStuSignDlg::showCounts()
{
    const int total = m_ser->total();
    const int signedCount = m_ser->signedCount();
    m_totalLbl->setText(QString::number(total));
    m_signedLbl->setText(QString::number(signedCount));
    m_unsignedLbl->setText(QString::number(total - signedCount));
    m_attendanceLbl->setText(m_ser->attendance());
}

void ZUStuSignDlg::setIdleButtons(bool idle)
{
    m_resetBtn->setEnabled(idle);
    m_closeBtn->setEnabled(idle);
    m_exitBtn->setEnabled(idle);
}

void ZUStuSignDlg::timeUpdate()
{
    m_timeLbl->setText(QDateTime::currentDateTime().toString(tr("yyyy年MM月dd日 hh:mm:ss")));
}

void ZUStuSignDlg::swapSeats(int fromRow, int fromCol, int toRow, int toCol)
{
    // Payloads may come from anywhere: only two seats of this grid are swapped. The tiles stay where they
    // are and only change what they show, so the tile whose drag is still running is never released.
    if (!m_ser->grid().swap(fromRow, fromCol, toRow, toCol))
        return;
    showSeat(fromRow, fromCol);
    showSeat(toRow, toCol);
}

void ZUStuSignDlg::startSign()
{
    if (m_ser->isSigning())
        return;
    switch (m_ser->start()) {
    case ZUStuSignSer::Started:
        m_startStopBtn->setText(tr("结束"));
        setIdleButtons(false);
        return;
    case ZUStuSignSer::NoReceiver:
        tell(tr("无法获取接收器信息，\n请检查接收器"), tr("信息"));
        return;
    case ZUStuSignSer::NotStarted:
        tell(tr("签到未能开始，请重试"), tr("错误"));
        return;
    }
}

void ZUStuSignDlg::stopSign()
{
    if (!m_ser->isSigning())
        return;
    m_ser->stop();
    m_startStopBtn->setText(tr("开始"));
    setIdleButtons(true);
}

QString ZUStuSignDlg::keptText(const QString& what, int cause, bool recorded)
{
    const auto why = TavWriteCause::Cause(cause);
    const QString kept = recorded
        ? tr("%1已保留，文件可以写入后会自动保存，无需重做。").arg(what)
        : tr("%1只保留在运行中的程序里，也无法暂存到磁盘上；文件可以写入后会自动保存，在此之前请不要退出程序，"
             "否则%1将会丢失。")
              .arg(what);
    return tr("%1，%2暂未写入数据库。\n%3\n%4。").arg(TavWriteCause::text(why), what, kept, TavWriteCause::advice(why));
}

void ZUStuSignDlg::onWriteFailed(const QString& kind, int localRecordID, int, int cause)
{
    QString what;
    if (kind == TavWriteKinds::SignIn)
        what = tr("签到结果");
    else if (kind == TavWriteKinds::SeatPlan)
        what = tr("座位表");
    else
        return;
    // Once while the file refuses them, not at every try; again when they are no longer safe beyond the
    // program's end. Lessons are told apart within one file: a file opened anew starts afresh.
    if (m_toldOpening != TAVDatabase::getInstance()->openings()) {
        m_told.clear();
        m_toldOpening = TAVDatabase::getInstance()->openings();
    }
    const bool recorded = TavWriteBehind::getInstance()->recordedAll();
    const QString key = kind + QLatin1Char('/') + QString::number(localRecordID);
    const auto told = m_told.constFind(key);
    if (told != m_told.constEnd() && (!*told || recorded))
        return;
    m_told.insert(key, recorded);
    notice(keptText(what, cause, recorded));
}

void ZUStuSignDlg::onWritten(const QString& kind, int localRecordID, int)
{
    m_told.remove(kind + QLatin1Char('/') + QString::number(localRecordID));
}

void ZUStuSignDlg::notice(const QString& text)
{
    // A notice that closes by itself: the sign-in goes on meanwhile.
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), text, kNoticeSeconds, true);
}

void ZUStuSignDlg::tell(const QString& text, const QString& title)
{
    // Modal: this window is, and a box beside it could not be answered.
    m_tip->setButtons(ZUTipDlg::Yes, 0);
    m_tip->setText(text, title);
    m_tip->exec();
}

void ZUStuSignDlg::on_StartStopBtn_clicked()
{
    if (m_ser->isSigning())
        stopSign();
    else
        startSign();
}

void ZUStuSignDlg::setReceivedStuData(StudentInfo stu_info)
{
    if (!isVisible())
        return;
    const QVector<QPoint> changed = m_ser->keyPressed(stu_info.keypadId);
    for (const QPoint& cell : changed)
        showSeat(cell.y(), cell.x());
    if (!changed.isEmpty())
        showCounts();
}

void ZUStuSignDlg::setReceivedTeaData(TeacherInfo tea_info)
{
    if (!isVisible())
        return;
    if (tea_info.data == QLatin1String("power"))
        closeSign();
    else if (tea_info.data == QLatin1String("start/pause"))
        startSign();
    else if (tea_info.data == QLatin1String("stop"))
        stopSign();
}

void ZUStuSignDlg::MachineChanged(bool change)
{
    if (m_ser->isSigning())
        stopSign();
    m_startStopBtn->setEnabled(change);
}

void ZUStuSignDlg::on_ReSetBtn_clicked()
{
    if (m_ser->isSigning())
        return;
    m_ser->reset();
    showGrid();
    showCounts();
}

void ZUStuSignDlg::closeSign()
{
    if (m_ser->isSigning())
        return;
    m_ser->saveSeats();
    m_clock.stop();
    ZUToolBarReturn::bringBack();
    hide();
}

void ZUStuSignDlg::on_SignCloseBtn_clicked()
{
    closeSign();
}

void ZUStuSignDlg::on_SignExitBtn_clicked()
{
    closeSign();
}

void ZUStuSignDlg::on_ColAddBtn_clicked()
{
    if (m_ser->maxCols() >= m_colBox->value() + 1)
        m_colBox->setValue(m_colBox->value() + 1);
}

void ZUStuSignDlg::on_RowAddBtn_clicked()
{
    if (m_rowBox->value() < ZUSeatGrid::kMaxRows)
        m_rowBox->setValue(m_rowBox->value() + 1);
}

void ZUStuSignDlg::on_SignColSpinBox_valueChanged(int newCols)
{
    if (m_layoutBusy || newCols <= m_ser->grid().cols())
        return;
    m_ser->grid().grow(m_ser->grid().rows(), newCols);
    showGrid();
}

void ZUStuSignDlg::on_SignRowSpinBox_valueChanged(int newRows)
{
    if (m_layoutBusy || newRows <= m_ser->grid().rows())
        return;
    m_ser->grid().grow(newRows, m_ser->grid().cols());
    showGrid();
}

void ZUStuSignDlg::on_ColDecBtn_clicked()
{
    showResized(m_ser->grid().removeColumns(1, m_ser->maxCols()));
}

void ZUStuSignDlg::on_RowDecBtn_clicked()
{
    showResized(m_ser->grid().removeRows(1, m_ser->maxCols()));
}

void ZUStuSignDlg::showResized(bool resized)
{
    if (!resized)
        return;
    m_layoutBusy = true;
    showGrid();
    m_colBox->setValue(m_ser->grid().cols());
    m_rowBox->setValue(m_ser->grid().rows());
    m_layoutBusy = false;
}

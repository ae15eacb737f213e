#include "ZUTeamExamDlg.h"

#include "ExamFormParts.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_StuSortInfo.h"
#include "ZUExamMem.h"
#include "ZUPlainTextDelegate.h"
#include "ZURepaintPacer.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTeamExamItemDlg.h"
#include "ZUTeamExamSer.h"
#include "ZUViewTableWidget.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const int kCellWidth = 87;
const int kCellHeight = 103;
// A hundred answers a second reach the seats: they are drawn at the pencils' own pace, one frame every 70 ms,
// which shows every pencil frame and keeps a seat's count at most that long behind its keypad.
const int kFrameMs = 70;

QString centreStyle()
{
    return ExamFormParts::style(R"(
#BottemWidget { background-color: #ffffff; }
#StuTableWidget { background-color: transparent; border: none; }
#TimeAddBtn { border: none; border-image: url(@sign/tav_add_n.png); padding: 0px; }
#TimeAddBtn:hover { border-image: url(@sign/tav_add_s.png); }
#TimeDecLbl { border: none; border-image: url(@sign/tav_dec_n.png); padding: 0px; }
#TimeDecLbl:hover { border-image: url(@sign/tav_dec_s.png); }
#TimeImageLbl { border-image: url(@teamExam/time.png); }
)");
}

} // namespace

ZUTeamExamDlg::ZUTeamExamDlg()
    : ZUExamScreenBase("ZUTeamExamDlg", tr("集中作答"), "BottemWidget")
    , m_ser(ZUTeamExamSer::getInstance())
{
    setStyleSheet(styleSheet() + centreStyle());
    buildCentre();
    buildTimeRow();
    addRunButtons();
    addSeparator("separatorTop");
    addReportButtons();
    QMetaObject::connectSlotsByName(this);

    m_ser->setView(this);
    new ZURepaintPacer(this, kFrameMs);
    setControls(0);
    setTimeColour(0);
}

void ZUTeamExamDlg::buildCentre()
{
    m_centreLayout->setContentsMargins(50, 24, 20, 10);
    m_table = new ZUViewTableWidget(m_centre);
    m_table->setObjectName("StuTableWidget");
    m_table->setShowGrid(false);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setFocusPolicy(Qt::NoFocus);
    // The cells hold seats only: nothing to draw beneath them whenever a pencil moves.
    m_table->setItemDelegate(new ZUPlainTextDelegate(m_table));
    m_centreLayout->addWidget(m_table);
}

void ZUTeamExamDlg::buildTimeRow()
{
    auto* row = new QWidget(m_controlLayout->parentWidget());
    row->setObjectName("TimeRowWidget");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* clock = new QLabel(row);
    clock->setObjectName("TimeImageLbl");
    clock->setFixedSize(41, 29);
    layout->addWidget(clock);
    const QList<QPair<const char*, QString>> buttons { { "TimeAddBtn", tr("加一分钟") },
                                                       { "TimeDecLbl", tr("减一分钟") } };
    for (const auto& b : buttons) {
        QPushButton* button = ExamFormParts::button(row, b.first, QString(), QSize(29, 29));
        button->setToolTip(b.second);
        layout->addWidget(button);
    }
    m_controlLayout->addWidget(row, 0, Qt::AlignHCenter);
}

// ---- what the service reports --------------------------------------------------------------------------------

void ZUTeamExamDlg::setTimeLabels(int seconds)
{
    showTime(seconds);
}

void ZUTeamExamDlg::setStudentTileState(const QString& dovaneID, int answeredItems)
{
    ZUTeamExamItemDlg* tile = m_tiles.value(dovaneID);
    if (!tile)
        return;
    // Finished means every answer item of the paper, not every question.
    const bool all = answeredItems == m_ser->m_totalQ;
    if (all && !m_finished.contains(dovaneID)) {
        m_finished.append(dovaneID);
        m_finishedCount->setText(tr("%1人").arg(m_finished.size()));
    }
    tile->setAnswerState(answeredItems, all, true);
}

void ZUTeamExamDlg::onExamFinished()
{
    setControls(3);
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), tr("考试结束"), 1, true);
    m_state = 3;
    setTilesState(3);
    setTimeColour(3);
}

// ---- opening -------------------------------------------------------------------------------------------------

void ZUTeamExamDlg::showExam()
{
    showFullArea();
    fillExamInfo();
    buildSeatTiles();
}

void ZUTeamExamDlg::fillExamInfo()
{
    // A new quiz: nobody has finished it yet.
    m_finished.clear();
    m_state = 0;
    setControls(0);
    setTimeLabels(ZUExamMem::getInstance()->m_examDuration);
    fillPaperInfo();
    m_subject->setText(TAVMemInfo::getInstance()->currentSubjectName);
    setTimeColour(0);
}

void ZUTeamExamDlg::buildSeatTiles()
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    QMap<QString, SeatTile> byId;
    for (const StudentInfoRow& row : mem->studentList)
        byId.insert(row.dovaneID, SeatTile { row.dovaneID, row.name, row.sn, false });
    const QVector<SeatTile> students = byId.values().toVector();

    // A class without students leaves no seats of the class before.
    m_tiles.clear();
    m_cells.clear();
    m_table->clear();
    m_table->setRowCount(0);
    m_table->setColumnCount(0);
    m_grid.clear();
    if (students.isEmpty())
        return;

    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QMap<QString, SeatPos> seats = TAV_StuSortInfo::getInstance()->selectByClass(db, mem->currentClass.classID);
    TAVDatabase::getInstance()->closeDbCon(db);

    const int usable = m_table->width() - 10;
    const int rows = mem->currentClass.row;
    const int cols = mem->currentClass.col;
    // The stored plan only when it seats every student inside its grid; otherwise in order.
    if (seats.size() == students.size() && rows > 0 && cols > 0
        && m_grid.seatStored(students, seats, rows, cols, ZUSeatGrid::kMaxRows)) {
        showGrid(usable / kCellWidth > cols ? usable / cols : kCellWidth);
    } else {
        m_grid.seatAutomatically(students, usable / kCellWidth);
        showGrid(kCellWidth);
    }
}

void ZUTeamExamDlg::showGrid(int columnWidth)
{
    m_table->setRowCount(m_grid.rows());
    m_table->setColumnCount(m_grid.cols());
    for (int c = 0; c < m_grid.cols(); ++c)
        m_table->setColumnWidth(c, columnWidth);
    m_cells.resize(m_grid.rows());
    for (int r = 0; r < m_grid.rows(); ++r) {
        m_table->setRowHeight(r, kCellHeight);
        m_cells[r].resize(m_grid.cols());
        for (int c = 0; c < m_grid.cols(); ++c) {
            ZUTeamExamItemDlg* tile = makeTile(r, c);
            const SeatTile& seat = m_grid.seat(r, c);
            tile->setStudent(seat.studentId, seat.name);
            tile->setExamState(0);
            if (!seat.studentId.isEmpty())
                m_tiles.insert(seat.studentId, tile);
        }
    }
}

ZUTeamExamItemDlg* ZUTeamExamDlg::makeTile(int row, int col)
{
    auto* cell = new QWidget;
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tile = new ZUTeamExamItemDlg(cell);
    layout->addWidget(tile, 0, Qt::AlignCenter);
    tile->setSeat(row, col);
    connect(tile, &ZUTeamExamItemDlg::seatDropped, this, &ZUTeamExamDlg::swapSeatCells);
    m_table->setCellWidget(row, col, cell);
    m_cells[row][col] = tile;
    return tile;
}

ZUTeamExamItemDlg* ZUTeamExamDlg::tileAt(int row, int col) const
{
    if (row < 0 || col < 0 || row >= m_cells.size() || col >= m_cells.at(row).size())
        return nullptr;
    return m_cells.at(row).at(col);
}

void ZUTeamExamDlg::swapSeatCells(int fromRow, int fromCol, int toRow, int toCol)
{
    ZUTeamExamItemDlg* from = tileAt(fromRow, fromCol);
    ZUTeamExamItemDlg* to = tileAt(toRow, toCol);
    // Payloads may come from anywhere: only a student's seat of this grid moves, onto another seat of it. The
    // tiles stay in their cells and exchange what they show, so the tile whose drag is running stays alive.
    if (!from || !to || from == to || m_grid.seat(fromRow, fromCol).studentId.isEmpty()
        || !m_grid.swap(fromRow, fromCol, toRow, toCol))
        return;
    QString fromId, fromName, toId, toName;
    bool fromFinished = false, toFinished = false;
    int fromAnswered = 0, toAnswered = 0;
    from->getStudent(fromId, fromName);
    from->getAnswerState(fromFinished, fromAnswered);
    to->getStudent(toId, toName);
    to->getAnswerState(toFinished, toAnswered);
    const int state = m_state;
    auto fill = [state](ZUTeamExamItemDlg* tile, const QString& id, const QString& name, int answered, bool finished) {
        tile->setStudent(id, name);
        tile->setExamState(0);
        tile->setAnswerState(answered, finished, false);
        tile->setExamState(state);
    };
    fill(to, fromId, fromName, fromAnswered, fromFinished);
    fill(from, toId, toName, toAnswered, toFinished);
    m_tiles.remove(fromId);
    m_tiles.remove(toId);
    if (!fromId.isEmpty())
        m_tiles.insert(fromId, to);
    if (!toId.isEmpty())
        m_tiles.insert(toId, from);
}

// ---- running the quiz ----------------------------------------------------------------------------------------

void ZUTeamExamDlg::setControls(int state)
{
    const bool running = state == 1 || state == 2;
    m_startBtn->setVisible(state != 1);
    m_suspendBtn->setVisible(state == 1);
    m_stopBtn->setEnabled(running);
    for (QPushButton* button : { m_analysisBtn, m_rankingBtn, m_exitBtn })
        button->setEnabled(!running);
}

void ZUTeamExamDlg::setTilesState(int state)
{
    for (const auto& row : qAsConst(m_cells)) {
        for (const QPointer<ZUTeamExamItemDlg>& tile : row) {
            if (tile)
                tile->setExamState(state);
        }
    }
}

void ZUTeamExamDlg::on_TimeAddBtn_clicked()
{
    m_ser->addExamTime();
}

void ZUTeamExamDlg::on_TimeDecLbl_clicked()
{
    m_ser->decExamTime();
}

void ZUTeamExamDlg::on_StartExamBtn_clicked()
{
    if (!checkReceiver() || m_state == 1)
        return;
    QString error;
    int result = 0;
    if (m_state == 0)
        result = m_ser->startExam(error);
    else if (m_state == 2)
        result = m_ser->pauseToStart(error);
    else
        result = m_ser->stopToStart(error);
    if (result != 0) {
        tip(error);
        return;
    }
    m_state = 1;
    setControls(1);
    setTilesState(1);
    setTimeColour(1);
}

void ZUTeamExamDlg::on_SuspendExamBtn_clicked()
{
    pauseRun(*m_ser);
}

void ZUTeamExamDlg::on_StopExamBtn_clicked()
{
    if (m_state != 1 && m_state != 2)
        return;
    // A receiver that refuses to stop leaves the quiz stopped all the same.
    QString error;
    m_ser->stopExam(error);
    onExamFinished();
}

void ZUTeamExamDlg::on_ExitExamBtn_clicked()
{
    exitExam();
}

void ZUTeamExamDlg::leave()
{
    if (!endQuiz(*m_ser))
        return;
    m_finished.clear();
    closeScreen();
}

void ZUTeamExamDlg::on_TestAnalyBtn_clicked()
{
    if (m_state != 0 && m_state != 3)
        return;
    openPaperAnalysis(*m_ser);
    hideResult(ZUExamResultViews::Ranking);
}

void ZUTeamExamDlg::on_StuInteractBtn_clicked()
{
    if (m_state != 0 && m_state != 3)
        return;
    openRanking(*m_ser);
    hideResult(ZUExamResultViews::PaperAnalysis);
}

// ---- the teacher remote and the receiver ---------------------------------------------------------------------

void ZUTeamExamDlg::onTeacherKey(const QString& key)
{
    // An open report takes only the key that closes it.
    if (resultVisible(ZUExamResultViews::Ranking)) {
        if (key == QLatin1String("report"))
            hideResult(ZUExamResultViews::Ranking);
        return;
    }
    if (resultVisible(ZUExamResultViews::PaperAnalysis)) {
        if (key == QLatin1String("result"))
            hideResult(ZUExamResultViews::PaperAnalysis);
        return;
    }
    if (key == QLatin1String("up"))
        on_TimeAddBtn_clicked();
    else if (key == QLatin1String("down"))
        on_TimeDecLbl_clicked();
    else if (key == QLatin1String("start/pause"))
        m_state == 1 ? on_SuspendExamBtn_clicked() : on_StartExamBtn_clicked();
    else if (key == QLatin1String("stop"))
        on_StopExamBtn_clicked();
    else if (key == QLatin1String("power"))
        on_ExitExamBtn_clicked();
    else if (key == QLatin1String("report"))
        on_StuInteractBtn_clicked();
    else if (key == QLatin1String("result"))
        on_TestAnalyBtn_clicked();
}

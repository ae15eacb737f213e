#include "ZUStuSignSer.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_StuSortInfo.h"
#include "TAV_SubjectInfo.h"
#include "TavShortRead.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"

#include <QDateTime>
#include <QDebug>

namespace {

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool samePlan(const QMap<QString, SeatPos>& a, const QMap<QString, SeatPos>& b)
{
    if (a.size() != b.size())
        return false;
    for (auto it = a.cbegin(), other = b.cbegin(); it != a.cend(); ++it, ++other) {
        if (it.key() != other.key() || it->row != other->row || it->col != other->col)
            return false;
    }
    return true;
}

} // namespace

ZUStuSignSer::ZUStuSignSer(QObject* parent)
    : QObject(parent)
{
}

int ZUStuSignSer::maxCols(int windowWidth)
{
    return qMax(1, (windowWidth - 222) / 105);
}

ZUHdApi* ZUStuSignSer::device() const
{
    return ZUHdManager::getInstance()->currentApi();
}

void ZUStuSignSer::initSign(int windowWidth)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const ClassRecordRow& lesson = mem->currentRecord;
    // The lesson's last sign-in shows again as this window ended it, also while its write still waits for the
    // file.
    if (lesson.localRecordID != m_lastRecordId || lesson.UUID != m_lastRecordUUID || m_resetDone)
        m_signed.clear();
    m_lastRecordId = lesson.localRecordID;
    m_lastRecordUUID = lesson.UUID;
    m_maxCols = maxCols(windowWidth);
    // What this run stored belongs to the file it had open.
    if (m_keptOpening != TAVDatabase::getInstance()->openings()) {
        m_keptPlans.clear();
        m_keptOpening = TAVDatabase::getInstance()->openings();
    }

    QVector<SeatTile> students;
    for (const StudentInfoRow& row : mem->studentMap) {
        SeatTile tile;
        tile.studentId = row.dovaneID;
        tile.name = row.name;
        tile.keypadSn = row.sn;
        tile.signedIn = m_signed.contains(row.dovaneID);
        students.append(tile);
    }
    m_total = students.size();
    m_attendance = m_total ? QString::number(double(m_signed.size()) / m_total * 100, 'g', 6) + "%" : "0%";

    // A plan this run stored is the class's plan, also while its write still waits for the file.
    const int classID = mem->currentClass.classID;
    const auto kept = m_keptPlans.constFind(classID);
    QMap<QString, SeatPos> seats;
    {
        TavShortRead read;
        if (kept == m_keptPlans.constEnd())
            seats = TAV_StuSortInfo::getInstance()->selectByClass(read.db(), classID);
        // A file that did not let the first read in is not asked twice.
        if (read.cause() == TavWriteCause::None)
            m_subject = TAV_SubjectInfo::getInstance()->selectSubjectName(read.db(), lesson.subjectID);
        m_readCause = read.cause();
    }
    if (m_readCause != TavWriteCause::None)
        m_subject = mem->currentSubjectName;
    m_planKnown = kept != m_keptPlans.constEnd() || m_readCause == TavWriteCause::None;
    if (kept != m_keptPlans.constEnd())
        seats = *kept;
    else if (!m_planKnown)
        qWarning().noquote() << QStringLiteral("****the seat plan of class %1 was not read (%2): the class is seated "
                                               "in order")
                                    .arg(classID)
                                    .arg(TavWriteCause::text(m_readCause));

    m_grid.clear();
    if (!students.isEmpty()) {
        bool stored
            = seats.size() == students.size() && mem->currentClass.col <= m_maxCols && mem->currentClass.row != 0;
        if (stored)
            stored = m_grid.seatStored(students, seats, mem->currentClass.row, mem->currentClass.col, m_maxCols);
        if (!stored) {
            // The plan no longer fits the class or the window: seat everyone afresh.
            if (m_planKnown) {
                if (!seats.isEmpty())
                    keepPlan(classID, 0, 0, {});
                mem->currentClass.row = 0;
                mem->currentClass.col = 0;
            }
            m_grid.seatAutomatically(students, m_maxCols);
        }
    }
    m_openedPlan = m_grid.seatPlan();
    m_openedRows = m_grid.rows();
    m_openedCols = m_grid.cols();
}

ZUStuSignSer::StartResult ZUStuSignSer::start()
{
    if (m_signing)
        return Started;
    ZUHdApi* api = device();
    const QString serial = api ? api->serialNumber() : QString();
    if (serial.isEmpty())
        return NoReceiver;
    if (!api->startSingleQuiz(-1)) {
        qWarning() << "****sign-in not started: the receiver refused to start answering";
        return NotStarted;
    }
    // The sign-in's row is written whole when it ends: no sign-in without its students is ever in the file.
    const ClassRecordRow& lesson = TAVMemInfo::getInstance()->currentRecord;
    m_signStart = now();
    m_signStation = serial;
    m_signLesson = lesson.localRecordID;
    m_signLessonUUID = lesson.UUID;
    m_signing = true;
    return Started;
}

bool ZUStuSignSer::stop()
{
    if (!m_signing)
        return false;
    SignInfoRow row;
    row.localRecordID = m_signLesson;
    row.startTime = m_signStart;
    row.createDate = m_signStart;
    row.endTime = now();
    row.stationSn = m_signStation;
    TavWriteBehind::getInstance()->hand(TavWriteKinds::signIn(row, m_signed, m_signLessonUUID));
    m_signing = false;
    if (ZUHdApi* api = device())
        api->stopQuiz();
    m_resetDone = false;
    return true;
}

void ZUStuSignSer::reset()
{
    if (m_signing)
        return;
    m_resetDone = true;
    m_signed.clear();
    m_attendance = QStringLiteral("0%");
    for (int r = 0; r < m_grid.rows(); ++r) {
        for (int c = 0; c < m_grid.cols(); ++c)
            m_grid.seat(r, c).signedIn = false;
    }
}

QVector<QPoint> ZUStuSignSer::keyPressed(int keypadId)
{
    QVector<QPoint> changed;
    if (!m_signing)
        return changed;
    const QString keypad = QString::number(keypadId);
    bool done = false;
    for (int r = 0; r < m_grid.rows() && !done; ++r) {
        for (int c = 0; c < m_grid.cols() && !done; ++c) {
            SeatTile& tile = m_grid.seat(r, c);
            if (tile.studentId.isEmpty() || tile.keypadSn != keypad)
                continue;
            // A student signs once per sign-in, with the time of his first key.
            done = m_signed.contains(tile.studentId);
            if (done)
                break;
            m_signed.insert(tile.studentId, now());
            tile.signedIn = true;
            changed.append(QPoint(c, r));
        }
    }
    if (!changed.isEmpty() && m_total > 0)
        m_attendance = QString::number(double(m_signed.size()) / m_total * 100, 'f', 0) + "%";
    return changed;
}

bool ZUStuSignSer::saveSeats()
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const int classID = mem->currentClass.classID;
    const QMap<QString, SeatPos> plan = m_grid.seatPlan();
    if (!m_planKnown && samePlan(plan, m_openedPlan) && m_grid.rows() == m_openedRows
        && m_grid.cols() == m_openedCols) {
        // Seated in order only because the stored plan could not be read: that plan stays.
        qWarning() << "****the seat plan of class" << classID << "was not read and not changed: the stored one stays";
        return false;
    }
    keepPlan(classID, m_grid.rows(), m_grid.cols(), plan);
    mem->currentClass.row = m_grid.rows();
    mem->currentClass.col = m_grid.cols();
    if (mem->classMap.contains(classID)) {
        mem->classMap[classID].row = m_grid.rows();
        mem->classMap[classID].col = m_grid.cols();
    }
    return true;
}

void ZUStuSignSer::keepPlan(int classID, int rows, int cols, const QMap<QString, SeatPos>& seats)
{
    const ClassRecordRow& lesson = TAVMemInfo::getInstance()->currentRecord;
    TavWriteBehind::getInstance()->hand(
        TavWriteKinds::seatPlan(classID, rows, cols, seats, lesson.localRecordID, lesson.UUID));
    m_keptPlans.insert(classID, seats);
}

#include "ZUStuSignSer.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuSortInfo.h"
#include "TAV_SubjectInfo.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"

#include <QDateTime>
#include <QDebug>

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
    const int recordID = mem->currentRecord.localRecordID;
    m_signed.clear();
    m_maxCols = maxCols(windowWidth);

    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    if (recordID == m_lastRecordId && !m_resetDone) {
        const int signID = TAV_SignInfo::getInstance()->selectLastSignID(db, recordID);
        m_signed = TAV_SignStuInfo::getInstance()->selectBySign(db, signID);
    }
    m_lastRecordId = recordID;

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

    m_grid.clear();
    if (!students.isEmpty()) {
        const int classID = mem->currentClass.classID;
        const QMap<QString, SeatPos> seats = TAV_StuSortInfo::getInstance()->selectByClass(db, classID);
        bool stored
            = seats.size() == students.size() && mem->currentClass.col <= m_maxCols && mem->currentClass.row != 0;
        if (stored)
            stored = m_grid.seatStored(students, seats, mem->currentClass.row, mem->currentClass.col, m_maxCols);
        if (!stored) {
            // The plan no longer fits the class or the window: seat everyone afresh.
            if (!seats.isEmpty())
                TAV_StuSortInfo::getInstance()->deleteByClass(db, classID);
            mem->currentClass.row = 0;
            mem->currentClass.col = 0;
            m_grid.seatAutomatically(students, m_maxCols);
        }
    }
    m_subject = TAV_SubjectInfo::getInstance()->selectSubjectName(db, mem->currentRecord.subjectID);
    TAVDatabase::getInstance()->closeDbCon(db);
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
    TAV_SignInfo* signInfo = TAV_SignInfo::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const int signID = signInfo->insertSignInfo(db, serial);
    const bool committed = TAVDatabase::getInstance()->closeDbCon(db);
    if (signID < 0 || !committed) {
        // The students would otherwise be filed under an earlier sign-in.
        qWarning() << "****sign-in not started: its row could not be written";
        signInfo->currentSignID = -1;
        api->stopQuiz();
        return NotStarted;
    }
    m_signing = true;
    return Started;
}

bool ZUStuSignSer::stop()
{
    if (!m_signing)
        return false;
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    bool stored = TAV_SignStuInfo::getInstance()->insertSignStuInfoList(db, m_signed)
        && TAV_SignInfo::getInstance()->setEndTime(db);
    if (stored) {
        stored = database->closeDbCon(db);
    } else {
        // Stored whole or not at all: an ended sign-in without its students would go up as a complete one.
        database->rollbackDbCon(db);
    }
    m_signing = false;
    if (ZUHdApi* api = device())
        api->stopQuiz();
    m_resetDone = false;
    return stored;
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
            m_signed.insert(tile.studentId, QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss"));
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
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    bool saved = TAV_StuSortInfo::getInstance()->saveSeats(db, m_grid.seatPlan(), classID)
        && TAV_ClassInfo::getInstance()->setColRow(db, m_grid.rows(), m_grid.cols(), classID);
    if (saved) {
        saved = database->closeDbCon(db);
    } else {
        // The plan is replaced by deleting the old one first: half a save would leave the class without one.
        database->rollbackDbCon(db);
    }
    if (!saved) {
        // The plan and the grid size kept before still belong together.
        qWarning() << "****the seat plan was not kept";
        return false;
    }
    mem->currentClass.row = m_grid.rows();
    mem->currentClass.col = m_grid.cols();
    if (mem->classMap.contains(classID)) {
        mem->classMap[classID].row = m_grid.rows();
        mem->classMap[classID].col = m_grid.cols();
    }
    return true;
}

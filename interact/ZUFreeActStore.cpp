#include "ZUFreeActStore.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "ZUFreeActWriter.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>

namespace ZUFreeActStore {

namespace {

// The interaction begun last while it runs, and whether the teacher heard of a failed write of its results.
struct Running
{
    int interactID = -1;
    bool told = false;
};

Running& running()
{
    static Running current;
    return current;
}

void tellNotKept(int interactID)
{
    Running& r = running();
    if (interactID != r.interactID || r.told)
        return;
    r.told = true;
    // Not modal: the class goes on answering, and the results go in at the end all the same.
    ZUTAVAutoMsg::getInstance()->showMessage(QCoreApplication::translate("ZUFreeActBar_left", "错误"),
                                             QCoreApplication::translate("ZUFreeActBar_left", "提交数据库失败"), 3,
                                             false);
}

ZUFreeActWriter* writer()
{
    static ZUFreeActWriter* const made = [] {
        ZUFreeActWriter* w = ZUFreeActWriter::getInstance();
        // Reported from the writer's thread, told in the interface thread.
        QObject::connect(w, &ZUFreeActWriter::keepFailed, w, tellNotKept, Qt::QueuedConnection);
        // At exit what waits goes in, and the thread has closed its connection before the database is closed.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, w, [w] { w->stop(true); });
        return w;
    }();
    return made;
}

// A new interaction ends the one before: the results of it that still wait go in first.
void endRunning()
{
    writer()->stop(true);
    running() = Running();
}

// The interaction with every result kept so far goes, or goes once the file can be written again.
void dropInteraction(int interactID)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    const bool dropped = TAV_InteractInfo::getInstance()->dropInteraction(db, interactID);
    if (!db.isValid())
        return;
    if (dropped)
        database->closeDbCon(db);
    else
        database->rollbackDbCon(db);
}

} // namespace

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

InteractInfoRow newRow(int answerType, const QString& answer)
{
    InteractInfoRow row;
    row.localRecordID = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    row.answerType = answerType;
    row.answer = answer;
    row.startTime = now();
    row.createDate = row.startTime;
    ZUHdApi* device = ZUHdManager::getInstance()->currentApi();
    row.stationSn = device ? device->serialNumber() : QString();
    return row;
}

int beginInteraction(InteractInfoRow* row)
{
    endRunning();
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid()) {
        row->interactID = -1;
        return -1;
    }
    TAV_InteractInfo::getInstance()->clearPendingAnswers(db, row->localRecordID);
    int id = TAV_InteractInfo::getInstance()->insertInteractInfo(db, row);
    if (!database->closeDbCon(db))
        id = row->interactID = -1;
    if (id == -1)
        qWarning() << "****free interaction not stored, type" << row->answerType;
    running().interactID = id;
    return id;
}

void keepResult(const StuResultRow& result)
{
    if (result.interactID == -1 || result.interactID != running().interactID)
        return;
    writer()->keep(result);
}

bool finishInteraction(int interactID, const QList<StuResultRow>& results)
{
    // What waits is written below with the rest; only the write under way is waited for.
    writer()->stop(false);
    running() = Running();
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid()) {
        // Remembered, to go before anything ends it.
        if (interactID != -1)
            TAV_InteractInfo::getInstance()->dropInteraction(db, interactID);
        return false;
    }
    bool stored = interactID != -1;
    for (int i = 0; stored && i < results.size(); ++i)
        stored = TAV_StuResult::getInstance()->keepResult(db, results.at(i)) == TAV_StuResult::Kept;
    if (stored || interactID == -1) {
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
        stored = database->closeDbCon(db) && stored;
    } else {
        database->rollbackDbCon(db);
    }
    if (!stored) {
        qWarning() << "****free interaction" << interactID << "dropped: its results could not be written";
        if (interactID != -1)
            dropInteraction(interactID);
    }
    return stored;
}

bool storePick(InteractInfoRow* row, const QString& dovaneID)
{
    endRunning();
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid())
        return false;
    bool stored = TAV_InteractInfo::getInstance()->insertInteractInfo(db, row) != -1;
    if (stored) {
        // A pick has no duration: it ends when it starts, however long the file kept the store waiting.
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db, row->startTime);
        StuResultRow result;
        result.interactID = row->interactID;
        result.dovaneID = dovaneID;
        result.createDate = row->createDate;
        stored = TAV_StuResult::getInstance()->insertStuResult(db, result);
    }
    // Both rows or neither.
    if (stored)
        return database->closeDbCon(db);
    database->rollbackDbCon(db);
    return false;
}

void setAnswer(int interactID, const QString& answer)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid())
        return;
    TAV_InteractInfo::getInstance()->setAnswer(db, interactID, answer);
    database->closeDbCon(db);
}

void tellNotStored()
{
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(2, 0);
    box->setText(QCoreApplication::translate("ZUFreeActBar_left", "本次互动未能保存，请联系管理员"),
                 QCoreApplication::translate("ZUFreeActBar_left", "错误"));
    box->exec();
}

} // namespace ZUFreeActStore

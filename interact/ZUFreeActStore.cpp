#include "ZUFreeActStore.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUTipDlg.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>

namespace ZUFreeActStore {

namespace {

// Results first, then the row goes: a failed result must not leave the interaction to be uploaded without it.
bool writeResults(QSqlDatabase db, const QList<StuResultRow>& results)
{
    for (const StuResultRow& row : results) {
        if (!TAV_StuResult::getInstance()->insertStuResult(db, row))
            return false;
    }
    return true;
}

void dropInteraction(QSqlDatabase db, int interactID)
{
    db.rollback();
    db.transaction();
    TAV_StuResult::getInstance()->deleteByInteract(db, interactID);
    TAV_InteractInfo::getInstance()->deleteByInteract(db, interactID);
    TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
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
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid()) {
        row->interactID = -1;
        return -1;
    }
    TAV_InteractInfo::getInstance()->clearPendingAnswers(db, row->localRecordID);
    const int id = TAV_InteractInfo::getInstance()->insertInteractInfo(db, row);
    database->closeDbCon(db);
    if (id == -1)
        qWarning() << "****free interaction not stored, type" << row->answerType;
    return id;
}

bool finishInteraction(int interactID, const QList<StuResultRow>& results)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid())
        return false;
    bool stored = interactID != -1 && writeResults(db, results);
    if (stored) {
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    } else {
        qWarning() << "****free interaction" << interactID << "dropped: its results could not be written";
        if (interactID != -1)
            dropInteraction(db, interactID);
        else
            TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    }
    database->closeDbCon(db);
    return stored;
}

bool storePick(InteractInfoRow* row, const QString& dovaneID)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid())
        return false;
    bool stored = TAV_InteractInfo::getInstance()->insertInteractInfo(db, row) != -1;
    if (stored) {
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
        StuResultRow result;
        result.interactID = row->interactID;
        result.dovaneID = dovaneID;
        result.createDate = row->createDate;
        stored = writeResults(db, { result });
        if (!stored)
            dropInteraction(db, row->interactID);
    }
    database->closeDbCon(db);
    return stored;
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

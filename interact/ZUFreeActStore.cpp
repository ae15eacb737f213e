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
#include <QHash>
#include <QTimer>
#include <QVector>

namespace ZUFreeActStore {

namespace {

// The results of the interaction begun last: those waiting for their write, and the rows already written.
struct KeptResults
{
    int interactID = -1;
    QVector<StuResultRow> waiting; // in arrival order, one per student
    QHash<QString, int> waitingAt; // dovaneID to its place in waiting
    QHash<QString, int> written; // dovaneID to stuResultID
    QTimer timer;
};

void writeWaiting();

KeptResults& kept()
{
    static KeptResults* const results = [] {
        auto* made = new KeptResults;
        made->timer.setSingleShot(true);
        made->timer.setInterval(keepMs);
        QObject::connect(&made->timer, &QTimer::timeout, writeWaiting);
        return made;
    }();
    return *results;
}

void forgetKept(int interactID)
{
    KeptResults& k = kept();
    k.timer.stop();
    k.interactID = interactID;
    k.waiting.clear();
    k.waitingAt.clear();
    k.written.clear();
}

// A new row, or over the student's row written before.
bool writeKept(QSqlDatabase db, const StuResultRow& row)
{
    KeptResults& k = kept();
    const auto it = k.written.constFind(row.dovaneID);
    if (it != k.written.constEnd() && TAV_StuResult::getInstance()->updateResult(db, *it, row.result, row.createDate))
        return true;
    int id = -1;
    if (!TAV_StuResult::getInstance()->insertStuResult(db, row, &id))
        return false;
    k.written.insert(row.dovaneID, id);
    return true;
}

void writeWaiting()
{
    KeptResults& k = kept();
    if (k.waiting.isEmpty())
        return;
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid()) {
        k.timer.start();
        return;
    }
    const QHash<QString, int> before = k.written;
    for (const StuResultRow& row : qAsConst(k.waiting)) {
        if (!writeKept(db, row))
            qWarning() << "****free interaction" << k.interactID << ": result of" << row.dovaneID << "not kept";
    }
    k.waiting.clear();
    k.waitingAt.clear();
    // Rolled back: the end of the interaction writes them anew.
    if (!database->closeDbCon(db))
        k.written = before;
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
    forgetKept(id);
    return id;
}

void keepResult(const StuResultRow& result)
{
    KeptResults& k = kept();
    if (result.interactID == -1 || result.interactID != k.interactID)
        return;
    const auto at = k.waitingAt.constFind(result.dovaneID);
    if (at != k.waitingAt.constEnd()) {
        k.waiting[*at] = result;
    } else {
        k.waitingAt.insert(result.dovaneID, k.waiting.size());
        k.waiting.append(result);
    }
    if (!k.timer.isActive())
        k.timer.start();
}

bool finishInteraction(int interactID, const QList<StuResultRow>& results)
{
    KeptResults& k = kept();
    k.timer.stop();
    k.waiting.clear();
    k.waitingAt.clear();
    if (k.interactID != interactID)
        forgetKept(interactID);
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    if (!db.isValid())
        return false;
    bool stored = interactID != -1;
    for (int i = 0; stored && i < results.size(); ++i)
        stored = writeKept(db, results.at(i));
    forgetKept(-1);
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
        stored = TAV_StuResult::getInstance()->insertStuResult(db, result);
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

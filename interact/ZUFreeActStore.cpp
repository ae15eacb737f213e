#include "ZUFreeActStore.h"

#include "TAVMemInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "TavShortWrite.h"
#include "TavSideRecord.h"
#include "TavWriteBehind.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUTAVAutoMsg.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QHash>
#include <QLabel>
#include <QSet>
#include <QUuid>

namespace ZUFreeActStore {

namespace {

// Room the side record holds for a round's writes before the round gets its row in the file: what a class writes
// in a round while the file refuses, many times over. A round without it runs without its row, so that no round in
// the file ever has writes that could be recorded nowhere.
const qint64 kRoundRoomBytes = 512 * 1024;

// The round begun last while it runs, and its lesson.
struct Running
{
    int interactID = -1;
    int localRecordID = -1;
};

Running& running()
{
    static Running round;
    return round;
}

// The UUID of each lesson a round was begun in: a write names its lesson by both.
QHash<int, QString>& lessons()
{
    static QHash<int, QString> uuids;
    return uuids;
}

QString lessonUUID(int localRecordID)
{
    return lessons().value(localRecordID);
}

// The rounds of this run kept whole, by their start, to the token their writes share: the right answer, which
// comes after the round's end, finds its round by it.
QHash<QString, QString>& wholeTokens()
{
    static QHash<QString, QString> tokens;
    return tokens;
}

QString startOf(const InteractInfoRow& row)
{
    return QStringLiteral("%1/%2/%3/%4").arg(row.localRecordID).arg(row.answerType).arg(row.startTime, row.createDate);
}

QString newToken()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// A notice that closes by itself, not again while it is still on screen; false, with nothing shown, while the
// same box asks the teacher a question (its buttons would go).
bool notice(const QString& text)
{
    ZUTAVAutoMsg* box = ZUTAVAutoMsg::getInstance();
    if (box->isVisible() && !box->isCounting())
        return false;
    const QLabel* shown = box->findChild<QLabel*>(QStringLiteral("textLabel"));
    if (box->isVisible() && shown && shown->text() == text)
        return true;
    // Not modal: the class goes on answering.
    box->showMessage(QCoreApplication::translate("ZUFreeActBar_left", "错误"), text, 3, false);
    return true;
}

QString notKept(int cause)
{
    const TavWriteCause::Cause why = cause == TavWriteCause::None ? TavWriteCause::Other : TavWriteCause::Cause(cause);
    return QCoreApplication::translate("ZUFreeActBar_left", "提交数据库失败：%1，%2。答题数据已保留，稍后自动写入。")
        .arg(TavWriteCause::text(why), TavWriteCause::advice(why));
}

// The rounds whose failed writes the teacher has been told of: by id, or by lesson for rounds kept whole.
QSet<QString>& told()
{
    static QSet<QString> rounds;
    return rounds;
}

QString roundKey(int localRecordID, int round)
{
    return round != -1 ? QStringLiteral("round %1").arg(round) : QStringLiteral("lesson %1").arg(localRecordID);
}

void tellNotKept(const QString& kind, int localRecordID, int round, int cause)
{
    static const QSet<QString> roundKinds
        = { TavWriteKinds::Result, TavWriteKinds::RoundEnd, TavWriteKinds::RoundAnswer, TavWriteKinds::RoundWhole };
    // Once per round: the writes go on being tried meanwhile.
    const QString key = roundKey(localRecordID, round);
    if (!roundKinds.contains(kind) || told().contains(key))
        return;
    if (notice(notKept(cause)))
        told().insert(key);
}

TavWriteBehind* writer()
{
    static TavWriteBehind* const made = [] {
        TavWriteBehind* w = TavWriteBehind::getInstance();
        // Reported from the writer's thread, told in the interface thread.
        QObject::connect(w, &TavWriteBehind::failed, w, tellNotKept, Qt::QueuedConnection);
        return w;
    }();
    return made;
}

} // namespace

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

InteractInfoRow newRow(int answerType, const QString& answer)
{
    const ClassRecordRow& lesson = TAVMemInfo::getInstance()->currentRecord;
    lessons().insert(lesson.localRecordID, lesson.UUID);
    InteractInfoRow row;
    row.localRecordID = lesson.localRecordID;
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
    writer();
    int id = -1;
    TavWriteCause::Cause cause = TavWriteCause::None;
    if (TavSideRecord::getInstance()->holdRoom(kRoundRoomBytes)) {
        TavShortWrite write;
        if (write.db().isValid()) {
            TAV_InteractInfo::getInstance()->clearPendingAnswers(write.db(), row->localRecordID);
            id = TAV_InteractInfo::getInstance()->insertInteractInfo(write.db(), row);
            if (id != -1 && !write.commit())
                id = -1;
        }
        cause = write.cause();
    } else {
        qWarning() << "****free interaction: no room beside the database file to record its writes, it goes in whole "
                      "at its end";
    }
    row->interactID = id;
    running() = { id, row->localRecordID };
    if (id != -1) {
        // A file made anew gives its ids again.
        told().remove(roundKey(row->localRecordID, id));
        writer()->holdRound(id, row->localRecordID, lessonUUID(row->localRecordID));
    } else if (cause != TavWriteCause::None) {
        qWarning() << "****free interaction not stored at its start, type" << row->answerType;
        notice(notKept(cause));
    }
    return id;
}

void keepResult(const StuResultRow& result)
{
    const Running& round = running();
    if (result.interactID == -1 || result.interactID != round.interactID)
        return;
    writer()->hand(TavWriteKinds::result(result, round.localRecordID, lessonUUID(round.localRecordID)));
}

void finishInteraction(const InteractInfoRow& row, const QList<StuResultRow>& results)
{
    if (row.interactID == running().interactID)
        running() = Running();
    const QString uuid = lessonUUID(row.localRecordID);
    if (row.interactID != -1) {
        writer()->hand(TavWriteKinds::roundEnd(row.interactID, results, now(), row.localRecordID, uuid));
        return;
    }
    InteractInfoRow whole = row;
    whole.endTime = now();
    const QString token = newToken();
    wholeTokens().insert(startOf(row), token);
    writer()->hand(TavWriteKinds::roundWhole(whole, results, uuid, token));
}

void storePick(InteractInfoRow* row, const QString& dovaneID)
{
    writer();
    StuResultRow result;
    result.dovaneID = dovaneID;
    result.createDate = row->createDate;
    {
        TavShortWrite write;
        QSqlDatabase db = write.db();
        bool stored = db.isValid() && TAV_InteractInfo::getInstance()->insertInteractInfo(db, row) != -1;
        if (stored) {
            // A pick has no duration: it ends when it starts, however long the file kept the store waiting.
            TAV_InteractInfo::getInstance()->closeOpenInteractions(db, row->startTime);
            result.interactID = row->interactID;
            stored = TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
        // Both rows or neither.
        if (stored && write.commit())
            return;
    }
    // The file is busy or full: the writer keeps the pick and writes it, ended as it started, once it can.
    row->interactID = -1;
    InteractInfoRow whole = *row;
    whole.endTime = row->startTime;
    writer()->hand(TavWriteKinds::roundWhole(whole, { result }, lessonUUID(row->localRecordID), newToken()));
}

void setAnswer(const InteractInfoRow& round, const QString& answer)
{
    const QString uuid = lessonUUID(round.localRecordID);
    if (round.interactID != -1) {
        writer()->hand(TavWriteKinds::roundAnswer(round.interactID, answer, round.localRecordID, uuid));
        return;
    }
    const QString token = wholeTokens().value(startOf(round));
    if (!token.isEmpty())
        writer()->hand(TavWriteKinds::roundWholeAnswer(round, answer, uuid, token));
}

} // namespace ZUFreeActStore

#include "TavWriteKinds.h"

#include "ClassRecordRow.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "TavWriteBehind.h"
#include "TavWriteData.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QtDebug>

namespace TavWriteKinds {

const QString Result = QStringLiteral("result");
const QString RoundEnd = QStringLiteral("roundEnd");
const QString RoundAnswer = QStringLiteral("roundAnswer");
const QString RoundWhole = QStringLiteral("roundWhole");

namespace {

using Outcome = TavWriteBehind::Outcome;

TavWrite tied(const QString& kind, int localRecordID, const QString& lessonUUID, int round)
{
    TavWrite write;
    write.kind = kind;
    write.localRecordID = localRecordID;
    write.lessonUUID = lessonUUID;
    write.round = round;
    return write;
}

QJsonObject resultData(const StuResultRow& row)
{
    return { { QStringLiteral("dovaneID"), row.dovaneID },
             { QStringLiteral("result"), row.result },
             { QStringLiteral("createDate"), row.createDate } };
}

QJsonArray resultList(const QList<StuResultRow>& rows)
{
    QJsonArray list;
    for (const StuResultRow& row : rows)
        list.append(resultData(row));
    return list;
}

StuResultRow readResult(const QJsonObject& object, int interactID, bool* ok)
{
    TavWriteData data(object);
    StuResultRow row;
    row.interactID = interactID;
    row.dovaneID = data.text("dovaneID");
    row.result = data.text("result");
    row.createDate = data.time("createDate", true);
    *ok = *ok && data.ok() && !row.dovaneID.isEmpty();
    return row;
}

QList<StuResultRow> readResults(const QJsonArray& list, int interactID, bool* ok)
{
    QList<StuResultRow> rows;
    for (const QJsonValue& value : list) {
        *ok = *ok && value.isObject();
        rows.append(readResult(value.toObject(), interactID, ok));
    }
    return rows;
}

// A result of a round that has ended is not kept: the round went up, or goes up, without it.
bool keepRow(QSqlDatabase db, const StuResultRow& row)
{
    const TAV_StuResult::Keeping kept = TAV_StuResult::getInstance()->keepResult(db, row);
    if (kept == TAV_StuResult::Ended)
        qWarning() << "****free interaction" << row.interactID << "has ended: the result of" << row.dovaneID
                   << "that came after it is not kept";
    return kept != TAV_StuResult::Failed;
}

Outcome applyResult(QSqlDatabase db, const TavWrite& write)
{
    bool ok = write.round > 0;
    const StuResultRow row = readResult(write.data, write.round, &ok);
    if (!ok)
        return Outcome::Malformed;
    return keepRow(db, row) ? Outcome::Written : Outcome::Failed;
}

Outcome applyRoundEnd(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const QString endTime = data.time("endTime");
    bool ok = data.ok() && write.round > 0;
    const QList<StuResultRow> rows = readResults(data.list("results"), write.round, &ok);
    if (!ok || !data.ok())
        return Outcome::Malformed;
    for (const StuResultRow& row : rows) {
        if (!keepRow(db, row))
            return Outcome::Failed;
    }
    return TAV_InteractInfo::getInstance()->endInteraction(db, write.round, endTime) ? Outcome::Written
                                                                                     : Outcome::Failed;
}

// A round whose row could not be written at its start: the token its writes share, and its start, which finds it
// in the file when its token cannot (it went in during an earlier run).
QJsonObject startData(const InteractInfoRow& row, const QString& token)
{
    return { { QStringLiteral("token"), token },
             { QStringLiteral("answerType"), row.answerType },
             { QStringLiteral("startTime"), row.startTime },
             { QStringLiteral("createDate"), row.createDate } };
}

// The ids of the rounds kept whole that went in during this run, by token; used on the writer's thread only. A try
// taken back is made again whole, the round before its right answer, so what it left here is written over first.
QHash<QString, int>& wholeIds()
{
    static QHash<QString, int> ids;
    return ids;
}

InteractInfoRow readStart(TavWriteData& data, int localRecordID)
{
    InteractInfoRow row;
    row.localRecordID = localRecordID;
    row.answerType = data.number("answerType");
    row.startTime = data.time("startTime");
    row.createDate = data.time("createDate");
    return row;
}

Outcome applyRoundAnswer(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const QString answer = data.text("answer");
    int round = write.round;
    if (round == -1) {
        // A round kept whole: it went in before this, in the order handed over.
        const QString token = data.text("token");
        const InteractInfoRow start = readStart(data, write.localRecordID);
        if (!data.ok() || token.isEmpty())
            return Outcome::Malformed;
        round = wholeIds().value(token, -1);
        if (round == -1 && !TAV_InteractInfo::getInstance()->findStarted(db, start, &round))
            return Outcome::Failed;
        if (round == -1)
            return Outcome::Written; // set aside, or sent and deleted with its lesson: nothing to mark
    }
    if (!data.ok() || round <= 0)
        return Outcome::Malformed;
    return TAV_InteractInfo::getInstance()->setAnswer(db, round, answer) ? Outcome::Written : Outcome::Failed;
}

Outcome applyRoundWhole(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const QString token = data.text("token");
    InteractInfoRow row = readStart(data, write.localRecordID);
    row.endTime = data.time("endTime");
    row.answer = data.text("answer");
    row.stationSn = data.text("stationSn");
    bool ok = data.ok() && !token.isEmpty();
    const QList<StuResultRow> rows = readResults(data.list("results"), -1, &ok);
    if (!ok || !data.ok())
        return Outcome::Malformed;
    // A try of it was under way when the program ended: the file may hold it already.
    int stored = -1;
    if (write.maybeWritten && !TAV_InteractInfo::getInstance()->findStarted(db, row, &stored))
        return Outcome::Failed;
    if (stored != -1) {
        wholeIds().insert(token, stored);
        return Outcome::Written;
    }
    // A lesson ended meanwhile has given up waiting for its right answers.
    ClassRecordRow lesson;
    if (row.answer == QLatin1String("-1")
        && TAV_ClassRecord::getInstance()->selectByRecord(db, row.localRecordID, &lesson) == 0
        && !lesson.endTime.isEmpty())
        row.answer.clear();
    const int id = TAV_InteractInfo::getInstance()->insertEnded(db, row);
    if (id == -1)
        return Outcome::Failed;
    wholeIds().insert(token, id);
    for (StuResultRow result : rows) {
        result.interactID = id;
        if (!TAV_StuResult::getInstance()->insertStuResult(db, result))
            return Outcome::Failed;
    }
    return Outcome::Written;
}

} // namespace

void registerAll()
{
    const QString rounds = QCoreApplication::translate("TavWriteKinds", "课堂互动");
    TavWriteBehind::setKind(Result, applyResult, rounds);
    TavWriteBehind::setKind(RoundEnd, applyRoundEnd, rounds);
    TavWriteBehind::setKind(RoundAnswer, applyRoundAnswer, rounds);
    TavWriteBehind::setKind(RoundWhole, applyRoundWhole, rounds);
}

TavWrite result(const StuResultRow& row, int localRecordID, const QString& lessonUUID)
{
    TavWrite write = tied(Result, localRecordID, lessonUUID, row.interactID);
    write.data = resultData(row);
    write.key = QString::number(row.interactID) + QLatin1Char('/') + row.dovaneID;
    return write;
}

TavWrite roundEnd(int interactID, const QList<StuResultRow>& results, const QString& endTime, int localRecordID,
                  const QString& lessonUUID)
{
    TavWrite write = tied(RoundEnd, localRecordID, lessonUUID, interactID);
    write.data = { { QStringLiteral("endTime"), endTime }, { QStringLiteral("results"), resultList(results) } };
    write.endsRound = true;
    return write;
}

TavWrite roundAnswer(int interactID, const QString& answer, int localRecordID, const QString& lessonUUID)
{
    TavWrite write = tied(RoundAnswer, localRecordID, lessonUUID, interactID);
    write.data = { { QStringLiteral("answer"), answer } };
    return write;
}

TavWrite roundWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& lessonUUID,
                    const QString& token)
{
    TavWrite write = tied(RoundWhole, row.localRecordID, lessonUUID, -1);
    write.data = startData(row, token);
    write.data.insert(QStringLiteral("endTime"), row.endTime);
    write.data.insert(QStringLiteral("answer"), row.answer);
    write.data.insert(QStringLiteral("stationSn"), row.stationSn);
    write.data.insert(QStringLiteral("results"), resultList(results));
    return write;
}

TavWrite roundWholeAnswer(const InteractInfoRow& row, const QString& answer, const QString& lessonUUID,
                          const QString& token)
{
    TavWrite write = tied(RoundAnswer, row.localRecordID, lessonUUID, -1);
    write.data = startData(row, token);
    write.data.insert(QStringLiteral("answer"), answer);
    return write;
}

} // namespace TavWriteKinds

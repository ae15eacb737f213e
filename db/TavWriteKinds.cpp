#include "TavWriteKinds.h"

#include "ClassRecordRow.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"
#include "TavWriteData.h"

#include <QJsonArray>
#include <QtDebug>

namespace TavWriteKinds {

const QString Result = QStringLiteral("result");
const QString RoundEnd = QStringLiteral("roundEnd");
const QString RoundAnswer = QStringLiteral("roundAnswer");
const QString RoundWhole = QStringLiteral("roundWhole");
const QString LessonEnd = QStringLiteral("lessonEnd");

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

Outcome applyRoundAnswer(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const QString answer = data.text("answer");
    if (!data.ok() || write.round <= 0)
        return Outcome::Malformed;
    return TAV_InteractInfo::getInstance()->setAnswer(db, write.round, answer) ? Outcome::Written : Outcome::Failed;
}

// True when the file holds the round already: a try of it was under way when the program ended.
bool holdsRound(QSqlDatabase db, const InteractInfoRow& row, bool* failed)
{
    TavStatement st(db,
                    QStringLiteral("select count(*) from TAV_InteractInfo where localRecordID = ? and answerType = ? "
                                   "and startTime = ? and endTime = ? and createDate = ?"));
    st.bind(row.localRecordID).bind(row.answerType).bind(TavStatement::text(row.startTime));
    st.bind(TavStatement::text(row.endTime)).bind(TavStatement::text(row.createDate));
    *failed = !st.exec() || !st.query().next();
    return !*failed && st.query().value(0).toInt() > 0;
}

Outcome applyRoundWhole(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    InteractInfoRow row;
    row.localRecordID = write.localRecordID;
    row.answerType = data.number("answerType");
    row.startTime = data.time("startTime");
    row.endTime = data.time("endTime");
    row.answer = data.text("answer");
    row.createDate = data.time("createDate");
    row.stationSn = data.text("stationSn");
    bool ok = data.ok();
    const QList<StuResultRow> rows = readResults(data.list("results"), -1, &ok);
    if (!ok || !data.ok())
        return Outcome::Malformed;
    bool failed = false;
    if (write.maybeWritten && holdsRound(db, row, &failed))
        return Outcome::Written;
    if (failed)
        return Outcome::Failed;
    // A lesson ended meanwhile has given up waiting for its right answers.
    ClassRecordRow lesson;
    if (row.answer == QLatin1String("-1")
        && TAV_ClassRecord::getInstance()->selectByRecord(db, row.localRecordID, &lesson) == 0
        && !lesson.endTime.isEmpty())
        row.answer.clear();
    const int id = TAV_InteractInfo::getInstance()->insertEnded(db, row);
    if (id == -1)
        return Outcome::Failed;
    for (StuResultRow result : rows) {
        result.interactID = id;
        if (!TAV_StuResult::getInstance()->insertStuResult(db, result))
            return Outcome::Failed;
    }
    return Outcome::Written;
}

Outcome applyLessonEnd(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const QString name = data.text("name");
    const QString endTime = data.time("endTime");
    if (!data.ok())
        return Outcome::Malformed;
    return TAV_ClassRecord::getInstance()->writeLessonEnd(db, write.localRecordID, name, endTime) ? Outcome::Written
                                                                                                  : Outcome::Failed;
}

} // namespace

void registerAll()
{
    TavWriteBehind::setKind(Result, applyResult);
    TavWriteBehind::setKind(RoundEnd, applyRoundEnd);
    TavWriteBehind::setKind(RoundAnswer, applyRoundAnswer);
    TavWriteBehind::setKind(RoundWhole, applyRoundWhole);
    TavWriteBehind::setKind(LessonEnd, applyLessonEnd);
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

TavWrite roundWhole(const InteractInfoRow& row, const QList<StuResultRow>& results, const QString& lessonUUID)
{
    TavWrite write = tied(RoundWhole, row.localRecordID, lessonUUID, -1);
    write.data = { { QStringLiteral("answerType"), row.answerType },  { QStringLiteral("startTime"), row.startTime },
                   { QStringLiteral("endTime"), row.endTime },        { QStringLiteral("answer"), row.answer },
                   { QStringLiteral("createDate"), row.createDate },  { QStringLiteral("stationSn"), row.stationSn },
                   { QStringLiteral("results"), resultList(results) } };
    return write;
}

TavWrite lessonEnd(int localRecordID, const QString& lessonUUID, const QString& name, const QString& endTime)
{
    TavWrite write = tied(LessonEnd, localRecordID, lessonUUID, -1);
    write.data = { { QStringLiteral("name"), name }, { QStringLiteral("endTime"), endTime } };
    // A lesson ends once.
    write.key = LessonEnd + QLatin1Char('/') + QString::number(localRecordID);
    return write;
}

bool lessonEndWaits(int localRecordID, const QString& lessonUUID)
{
    const QList<TavWrite> waiting = TavWriteBehind::getInstance()->unwritten();
    for (const TavWrite& write : waiting) {
        if (write.kind == LessonEnd && write.localRecordID == localRecordID && write.lessonUUID == lessonUUID)
            return true;
    }
    return false;
}

} // namespace TavWriteKinds

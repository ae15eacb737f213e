#include "TavWriteKinds.h"

#include "ClassRecordRow.h"
#include "TAV_ClassInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_ExamInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"
#include "TAV_StuSortInfo.h"
#include "TavStatement.h"
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
const QString Quiz = QStringLiteral("quiz");
const QString SignIn = QStringLiteral("signIn");
const QString SeatPlan = QStringLiteral("seatPlan");
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

// ---- quiz -----------------------------------------------------------------------------------------------------

QJsonObject answerData(const QuizRows::Answer& answer)
{
    QJsonArray history;
    for (const ExamStuAnswerProRow& entry : answer.history)
        history.append(QJsonObject { { QStringLiteral("answer"), entry.answer },
                                     { QStringLiteral("answerTime"), entry.answerTime } });
    const ExamStuAnswerRow& row = answer.row;
    return { { QStringLiteral("answer"), row.answer },
             { QStringLiteral("answerTime"), row.answerTime },
             { QStringLiteral("subQuestionID"), row.subQuestionID },
             { QStringLiteral("sn"), row.sn },
             { QStringLiteral("questionID"), row.questionID },
             { QStringLiteral("structID"), row.structID },
             { QStringLiteral("mcsn"), row.mcsn },
             { QStringLiteral("history"), history } };
}

QuizRows::Answer readAnswer(const QJsonValue& value, bool* ok)
{
    QuizRows::Answer answer;
    TavWriteData data(value.toObject());
    ExamStuAnswerRow& row = answer.row;
    row.answer = data.text("answer");
    row.answerTime = data.time("answerTime", true);
    row.subQuestionID = data.number("subQuestionID");
    row.sn = data.number("sn");
    row.questionID = data.text("questionID");
    row.structID = data.number("structID");
    row.mcsn = data.number("mcsn");
    const QJsonArray history = data.list("history");
    *ok = *ok && value.isObject() && data.ok();
    for (int i = 0; *ok && i < history.size(); ++i) {
        TavWriteData entry(history.at(i).toObject());
        answer.history.append({ 0, 0, i + 1, entry.text("answer"), entry.time("answerTime", true) });
        *ok = history.at(i).isObject() && entry.ok();
    }
    return answer;
}

bool readQuiz(const TavWrite& write, QuizRows* rows)
{
    TavWriteData data(write.data);
    rows->quiz.localRecordID = write.localRecordID;
    rows->quiz.startTime = data.time("startTime");
    rows->quiz.endTime = data.time("endTime");
    rows->quiz.paperID = data.text("paperID");
    const QJsonArray students = data.list("students");
    bool ok = data.ok();
    for (int s = 0; ok && s < students.size(); ++s) {
        TavWriteData student(students.at(s).toObject());
        QuizRows::Student rowsOfStudent;
        rowsOfStudent.row.dovaneID = student.text("dovaneID");
        rowsOfStudent.row.useTime = student.number("useTime");
        const QJsonArray answers = student.list("answers");
        ok = students.at(s).isObject() && student.ok() && !rowsOfStudent.row.dovaneID.isEmpty();
        for (int a = 0; ok && a < answers.size(); ++a)
            rowsOfStudent.answers.append(readAnswer(answers.at(a), &ok));
        rows->students.append(rowsOfStudent);
    }
    return ok;
}

Outcome applyQuiz(QSqlDatabase db, const TavWrite& write)
{
    QuizRows rows;
    if (!readQuiz(write, &rows))
        return Outcome::Malformed;
    // A try the program's end cut off may have written it: it goes in once.
    const int same = write.maybeWritten ? TAV_ExamInfo::getInstance()->selectSame(db, rows.quiz) : 0;
    if (same < 0)
        return Outcome::Failed;
    if (same > 0) {
        qWarning() << "****the quiz of lesson" << write.localRecordID << "started" << rows.quiz.startTime
                   << "is in the file already as quiz" << same << ", it is not written again";
        return Outcome::Written;
    }
    return rows.write(db) ? Outcome::Written : Outcome::Failed;
}

// ---- sign-in and seat plan ------------------------------------------------------------------------------------

Outcome applySignIn(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    SignInfoRow row;
    row.localRecordID = write.localRecordID;
    row.startTime = data.time("startTime");
    row.endTime = data.time("endTime");
    row.createDate = data.time("createDate");
    row.stationSn = data.text("stationSn");
    const QJsonArray students = data.list("students");
    bool ok = data.ok();
    QMap<QString, QString> signedStudents;
    for (int i = 0; ok && i < students.size(); ++i) {
        TavWriteData student(students.at(i).toObject());
        const QString dovaneID = student.text("dovaneID");
        signedStudents.insert(dovaneID, student.time("time"));
        ok = students.at(i).isObject() && student.ok() && !dovaneID.isEmpty();
    }
    if (!ok)
        return Outcome::Malformed;
    // A try the program's end cut off may have written it: it goes in once.
    const quint64 failures = TavStatement::failureCount();
    int same = 0;
    const QList<int> candidates = write.maybeWritten ? TAV_SignInfo::getInstance()->selectSame(db, row) : QList<int>();
    for (int i = 0; same == 0 && i < candidates.size(); ++i) {
        if (TAV_SignStuInfo::getInstance()->selectBySign(db, candidates.at(i)) == signedStudents)
            same = candidates.at(i);
    }
    if (TavStatement::failureCount() != failures)
        return Outcome::Failed;
    if (same > 0) {
        qWarning() << "****the sign-in of lesson" << write.localRecordID << "started" << row.startTime
                   << "is in the file already as sign-in" << same << ", it is not written again";
        return Outcome::Written;
    }
    if (TAV_SignInfo::getInstance()->insertEnded(db, row) < 0)
        return Outcome::Failed;
    return TAV_SignStuInfo::getInstance()->insertForSign(db, row.signID, signedStudents) ? Outcome::Written
                                                                                         : Outcome::Failed;
}

// The student of the plan who has a seat in another class: the seat table takes one seat a student, so such a
// plan can never be stored, and is not tried again.
QString seatedElsewhere(QSqlDatabase db, int classID, const QMap<QString, SeatPos>& seats, bool* failed)
{
    *failed = false;
    for (auto it = seats.cbegin(); it != seats.cend(); ++it) {
        TavStatement st(db, QStringLiteral("select classID from TAV_StuSortInfo where dovaneID = ? and classID <> ?"));
        st.bind(TavStatement::text(it.key())).bind(classID);
        if (!st.exec()) {
            *failed = true;
            return QString();
        }
        if (st.query().next())
            return it.key() + QStringLiteral(" (class ") + st.query().value(0).toString() + QLatin1Char(')');
    }
    return QString();
}

Outcome applySeatPlan(QSqlDatabase db, const TavWrite& write)
{
    TavWriteData data(write.data);
    const int classID = data.number("classID");
    const int rows = data.number("rows");
    const int cols = data.number("cols");
    const QJsonArray list = data.list("seats");
    bool ok = data.ok() && rows >= 0 && cols >= 0;
    QMap<QString, SeatPos> seats;
    for (int i = 0; ok && i < list.size(); ++i) {
        TavWriteData seat(list.at(i).toObject());
        const QString dovaneID = seat.text("dovaneID");
        const SeatPos at { seat.number("row"), seat.number("col") };
        seats.insert(dovaneID, at);
        ok = list.at(i).isObject() && seat.ok() && !dovaneID.isEmpty() && at.row >= 0 && at.col >= 0;
    }
    if (!ok)
        return Outcome::Malformed;
    bool failed = false;
    const QString elsewhere = seatedElsewhere(db, classID, seats, &failed);
    if (failed)
        return Outcome::Failed;
    if (!elsewhere.isEmpty()) {
        qWarning().noquote() << QStringLiteral("****the seat plan of class %1 cannot be kept: %2 has a seat in "
                                               "another class")
                                    .arg(classID)
                                    .arg(elsewhere);
        return Outcome::Malformed;
    }
    return TAV_StuSortInfo::getInstance()->saveSeats(db, seats, classID)
            && TAV_ClassInfo::getInstance()->setColRow(db, rows, cols, classID)
        ? Outcome::Written
        : Outcome::Failed;
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
    const QString rounds = QCoreApplication::translate("TavWriteKinds", "课堂互动");
    TavWriteBehind::setKind(Result, applyResult, rounds);
    TavWriteBehind::setKind(RoundEnd, applyRoundEnd, rounds);
    TavWriteBehind::setKind(RoundAnswer, applyRoundAnswer, rounds);
    TavWriteBehind::setKind(RoundWhole, applyRoundWhole, rounds);
    TavWriteBehind::setKind(Quiz, applyQuiz, QCoreApplication::translate("TavWriteKinds", "考试结果"));
    TavWriteBehind::setKind(SignIn, applySignIn, QCoreApplication::translate("TavWriteKinds", "签到"));
    TavWriteBehind::setKind(SeatPlan, applySeatPlan, QCoreApplication::translate("TavWriteKinds", "座位表"));
    TavWriteBehind::setKind(LessonEnd, applyLessonEnd, QCoreApplication::translate("TavWriteKinds", "课程结束"));
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

TavWrite quiz(const QuizRows& rows, const QString& lessonUUID)
{
    QJsonArray students;
    for (const QuizRows::Student& student : rows.students) {
        QJsonArray answers;
        for (const QuizRows::Answer& answer : student.answers)
            answers.append(answerData(answer));
        students.append(QJsonObject { { QStringLiteral("dovaneID"), student.row.dovaneID },
                                      { QStringLiteral("useTime"), student.row.useTime },
                                      { QStringLiteral("answers"), answers } });
    }
    TavWrite write = tied(Quiz, rows.quiz.localRecordID, lessonUUID, -1);
    write.data = { { QStringLiteral("startTime"), rows.quiz.startTime },
                   { QStringLiteral("endTime"), rows.quiz.endTime },
                   { QStringLiteral("paperID"), rows.quiz.paperID },
                   { QStringLiteral("students"), students } };
    return write;
}

TavWrite signIn(const SignInfoRow& row, const QMap<QString, QString>& signedStudents, const QString& lessonUUID)
{
    QJsonArray students;
    for (auto it = signedStudents.cbegin(); it != signedStudents.cend(); ++it)
        students.append(
            QJsonObject { { QStringLiteral("dovaneID"), it.key() }, { QStringLiteral("time"), it.value() } });
    TavWrite write = tied(SignIn, row.localRecordID, lessonUUID, -1);
    write.data = { { QStringLiteral("startTime"), row.startTime },
                   { QStringLiteral("endTime"), row.endTime },
                   { QStringLiteral("createDate"), row.createDate },
                   { QStringLiteral("stationSn"), row.stationSn },
                   { QStringLiteral("students"), students } };
    return write;
}

TavWrite seatPlan(int classID, int rows, int cols, const QMap<QString, SeatPos>& seats, int localRecordID,
                  const QString& lessonUUID)
{
    QJsonArray list;
    for (auto it = seats.cbegin(); it != seats.cend(); ++it)
        list.append(QJsonObject { { QStringLiteral("dovaneID"), it.key() },
                                  { QStringLiteral("row"), it.value().row },
                                  { QStringLiteral("col"), it.value().col } });
    TavWrite write = tied(SeatPlan, localRecordID, lessonUUID, -1);
    write.data = { { QStringLiteral("classID"), classID },
                   { QStringLiteral("rows"), rows },
                   { QStringLiteral("cols"), cols },
                   { QStringLiteral("seats"), list } };
    write.key = QStringLiteral("seatPlan/") + QString::number(classID);
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
    const QList<TavWriteBehind::Unwritten> waiting = TavWriteBehind::getInstance()->unwritten();
    for (const TavWriteBehind::Unwritten& left : waiting) {
        const TavWrite& write = left.write;
        if (write.kind == LessonEnd && write.localRecordID == localRecordID && write.lessonUUID == lessonUUID)
            return true;
    }
    return false;
}

} // namespace TavWriteKinds

#include "Upload.h"

#include "JsonTextWriter.h"
#include "TAVNetEvent.h"
#include "TAV_ClassRecord.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"
#include "TavRowCursor.h"
#include "TavStatement.h"

#include <QDateTime>
#include <QtDebug>

#include <algorithm>

namespace {

// Room the document starts with; it doubles as it fills.
constexpr int kDocumentStart = 64 * 1024;

// The values every object of one document shares.
struct Document
{
    JsonTextWriter json;
    QString uuID;
    QString offLineTime;
};

// Steps a cursor whose rows come parent by parent, in ascending parent id, past the rows of parents before
// parentID (parents that are not sent); true when it stands on a row of parentID.
bool reachParent(TavRowCursor& rows, bool& more, int parentColumn, int parentID)
{
    while (more && rows.number(parentColumn) < parentID)
        more = rows.next();
    return more && rows.number(parentColumn) == parentID;
}

void writeRecord(Document& d, const ClassRecordRow& record)
{
    JsonTextWriter& json = d.json;
    json.key(u"TAVClassRecord");
    json.beginObject();
    json.member(u"classID", record.classID);
    json.member(u"classStatus", record.classStatus ? 1 : 0);
    json.member(u"createDate", record.createDate);
    json.member(u"creator", record.creator);
    json.member(u"endTime", record.endTime);
    json.member(u"loaclRecordID", record.localRecordID);
    json.member(u"offLineTime", d.offLineTime);
    json.member(u"recordName", record.recordName);
    json.member(u"startTime", record.startTime);
    json.member(u"stationSn", record.stationSn);
    json.member(u"subjectID", record.subjectID);
    json.member(u"uuID", d.uuID);
    json.endObject();
}

// The answer's history, from the rows of the history cursor that belong to it.
void writeHistory(JsonTextWriter& json, TavRowCursor& steps, bool& more, int answerID)
{
    using Step = TAV_ExamStuAnswer_Pro::Pending;
    json.key(u"TAVExamStuAnswerPro");
    json.beginArray();
    for (; more && steps.number(Step::AnswerID) == answerID; more = steps.next()) {
        json.beginObject();
        json.member(u"answer", steps.text(Step::Answer));
        json.member(u"answerID", steps.number(Step::AnswerID));
        json.member(u"answerTime", steps.time(Step::AnswerTime));
        json.member(u"id", steps.number(Step::Id));
        json.member(u"sequence", steps.number(Step::Sequence));
        json.endObject();
    }
    json.endArray();
}

void writeQuizzes(Document& d, QSqlDatabase db, int localRecordID, const QList<ExamInfoRow>& exams)
{
    using Answer = TAV_ExamStuAnswer::Pending;
    using Step = TAV_ExamStuAnswer_Pro::Pending;
    using Student = TAV_ExamStuInfo::Pending;
    JsonTextWriter& json = d.json;
    json.key(u"TAVExamInfo");
    json.beginArray();
    if (exams.isEmpty()) {
        json.endArray();
        return;
    }
    // Each cursor holds the rows of every quiz of the lesson, quiz by quiz; a quiz already sent as a whole still
    // has its place among them and is stepped over. The histories go answer by answer along the answers.
    TavRowCursor answers = TAV_ExamStuAnswer::getInstance()->pendingOfRecord(db, localRecordID);
    TavRowCursor steps = TAV_ExamStuAnswer_Pro::getInstance()->pendingOfRecord(db, localRecordID);
    TavRowCursor students = TAV_ExamStuInfo::getInstance()->pendingOfRecord(db, localRecordID);
    bool moreAnswers = answers.next();
    bool moreSteps = steps.next();
    bool moreStudents = students.next();
    for (const ExamInfoRow& exam : exams) {
        json.beginObject();
        json.key(u"TAVExamStuAnswer");
        json.beginArray();
        for (; moreAnswers && answers.number(Answer::ExamID) <= exam.examID; moreAnswers = answers.next()) {
            const int id = answers.number(Answer::Id);
            // An answer of a quiz that is not sent now goes by with its history.
            if (answers.number(Answer::ExamID) < exam.examID) {
                while (moreSteps && steps.number(Step::AnswerID) == id)
                    moreSteps = steps.next();
                continue;
            }
            json.beginObject();
            writeHistory(json, steps, moreSteps, id);
            json.member(u"answer", answers.text(Answer::Answer));
            json.member(u"answerTime", answers.time(Answer::AnswerTime));
            json.member(u"dovaneID", answers.text(Answer::DovaneID));
            json.member(u"examID", answers.number(Answer::ExamID));
            json.member(u"id", id);
            json.member(u"mcsn", answers.number(Answer::Mcsn));
            json.member(u"questionID", answers.text(Answer::QuestionID));
            json.member(u"sn", answers.number(Answer::Sn));
            json.member(u"structID", answers.number(Answer::StructID));
            json.member(u"subQuestionID", answers.number(Answer::SubQuestionID));
            json.endObject();
        }
        json.endArray();
        json.key(u"TAVExamStuInfo");
        json.beginArray();
        if (reachParent(students, moreStudents, Student::ExamID, exam.examID)) {
            for (; moreStudents && students.number(Student::ExamID) == exam.examID; moreStudents = students.next()) {
                json.beginObject();
                json.member(u"dovaneID", students.text(Student::DovaneID));
                json.member(u"examID", students.number(Student::ExamID));
                json.member(u"useTime", students.number(Student::UseTime));
                json.endObject();
            }
        }
        json.endArray();
        json.member(u"endTime", exam.endTime);
        json.member(u"examID", exam.examID);
        json.member(u"loaclRecordID", exam.localRecordID);
        json.member(u"paperID", exam.paperID);
        json.member(u"startTime", exam.startTime);
        json.endObject();
    }
    json.endArray();
}

// The interactions with their results; the ids of the results written go to resultIDs.
void writeInteractions(Document& d, QSqlDatabase db, int localRecordID, const QList<InteractInfoRow>& interactions,
                       QVector<int>* resultIDs)
{
    using Result = TAV_StuResult::Pending;
    JsonTextWriter& json = d.json;
    json.key(u"TAVInteractInfo");
    json.beginArray();
    if (interactions.isEmpty()) {
        json.endArray();
        return;
    }
    // The results of every interaction of the lesson, interaction by interaction; those of interactions not
    // sent now (running, or waiting for their right answer) are stepped over.
    TavRowCursor results = TAV_StuResult::getInstance()->pendingOfRecord(db, localRecordID);
    bool more = results.next();
    for (const InteractInfoRow& row : interactions) {
        json.beginObject();
        json.key(u"TAVStuResult");
        json.beginArray();
        if (reachParent(results, more, Result::InteractID, row.interactID)) {
            for (; more && results.number(Result::InteractID) == row.interactID; more = results.next()) {
                const int id = results.number(Result::StuResultID);
                json.beginObject();
                json.member(u"createDate", results.time(Result::CreateDate));
                json.member(u"dovaneID", results.text(Result::DovaneID));
                json.member(u"interactID", row.interactID);
                json.member(u"offLineTime", d.offLineTime);
                json.member(u"result", results.text(Result::Result));
                json.member(u"stuResultID", id);
                json.endObject();
                resultIDs->append(id);
            }
        }
        json.endArray();
        json.member(u"answer", row.answer);
        json.member(u"answerType", row.answerType);
        json.member(u"createDate", row.createDate);
        json.member(u"endTime", row.endTime);
        json.member(u"interactID", row.interactID);
        json.member(u"localRecordID", row.localRecordID);
        json.member(u"offLineTime", d.offLineTime);
        json.member(u"startTime", row.startTime);
        json.member(u"stationSn", row.stationSn);
        json.member(u"uuID", d.uuID);
        json.endObject();
    }
    json.endArray();
}

// Without a finished sign-in to send the member stays an empty object.
void writeSignIn(Document& d, const SignInfoRow& signIn, const QList<SignStuInfoRow>& students)
{
    JsonTextWriter& json = d.json;
    json.key(u"TAVSignInfo");
    json.beginObject();
    if (signIn.signID != -1) {
        json.key(u"TAVSignStuInfo");
        json.beginArray();
        for (const SignStuInfoRow& row : students) {
            json.beginObject();
            json.member(u"createDate", row.createDate);
            json.member(u"dovaneID", row.dovaneID);
            json.member(u"offLineTime", d.offLineTime);
            json.member(u"signID", row.signID);
            json.member(u"stuSignID", row.stuSignID);
            json.endObject();
        }
        json.endArray();
        json.member(u"createDate", signIn.createDate);
        json.member(u"endTime", signIn.endTime);
        json.member(u"localRecordID", signIn.localRecordID);
        json.member(u"offLineTime", d.offLineTime);
        json.member(u"signID", signIn.signID);
        json.member(u"startTime", signIn.startTime);
        json.member(u"stationSn", signIn.stationSn);
        json.member(u"uuID", d.uuID);
    }
    json.endObject();
}

} // namespace

QString Upload::getUploadData(QSqlDatabase db, int localRecordID, bool force, bool* ok)
{
    const quint64 failures = TavStatement::failureCount();
    if (ok)
        *ok = true;
    m_held = Held();
    QString room = std::move(m_room);
    m_room = QString();
    // A table that could not be read looks like one with nothing pending: marking or deleting after it
    // would drop rows never sent. Holding no record makes updateFinishStatus and deleteLocalRecord no-ops.
    const auto readFailed = [&]() {
        qWarning().noquote() << "****Upload could not read lesson record " + QString::number(localRecordID)
                + ", it is left for the next upload";
        m_held = Held();
        if (ok)
            *ok = false;
        return QString();
    };
    const QString offLineTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));

    ClassRecordRow record;
    if (TAV_ClassRecord::getInstance()->selectByRecord(db, localRecordID, &record) != 0)
        return TavStatement::failureCount() == failures ? QString() : readFailed();

    const SignInfoRow signIn = TAV_SignInfo::getInstance()->selectLastFinished(db, localRecordID);
    QList<SignStuInfoRow> signedStudents;
    if (signIn.signID != -1)
        signedStudents = TAV_SignStuInfo::getInstance()->selectNotUploaded(db, signIn.signID);
    // A running interaction (a rush keeps its answer "1" from the start) has its results whole only when it
    // stops; sent now, it would be marked uploaded and the rest of its results never sent.
    QList<InteractInfoRow> interactions;
    for (const InteractInfoRow& row : TAV_InteractInfo::getInstance()->selectNotUploaded(db, localRecordID)) {
        if (!row.endTime.isEmpty())
            interactions.append(row);
    }
    const QList<ExamInfoRow> exams = TAV_ExamInfo::getInstance()->selectNotUploaded(db, localRecordID);
    if (TavStatement::failureCount() != failures)
        return readFailed();

    Held held;
    held.recordID = record.localRecordID;
    held.signID = signIn.signID;
    for (const InteractInfoRow& row : qAsConst(interactions))
        held.interactIDs.append(row.interactID);
    for (const ExamInfoRow& row : exams)
        held.examIDs.append(row.examID);
    const bool pending = signIn.signID != -1 || !interactions.isEmpty() || !exams.isEmpty();
    if (!pending && record.status && !force) {
        m_held = held;
        return QString();
    }

    // Members go in name order, the order QJsonObject gave them when the document was built as a tree.
    Document d { JsonTextWriter(std::move(room), kDocumentStart), QString::number(record.localRecordID) + record.UUID,
                 offLineTime };
    d.json.beginObject();
    d.json.key(u"data");
    d.json.beginObject();
    writeRecord(d, record);
    writeQuizzes(d, db, localRecordID, exams);
    writeInteractions(d, db, localRecordID, interactions, &held.resultIDs);
    writeSignIn(d, signIn, signedStudents);
    d.json.endObject();
    d.json.endObject();
    if (TavStatement::failureCount() != failures)
        return readFailed();
    m_held = held;
    m_room = d.json.take();
    return m_room;
}

void Upload::updateFinishStatus(QSqlDatabase db)
{
    if (m_held.recordID == -1)
        return;
    TAV_ClassRecord::getInstance()->setUploaded(db, m_held.recordID);
    for (int interactID : qAsConst(m_held.interactIDs))
        TAV_InteractInfo::getInstance()->setUploaded(db, interactID);
    for (int stuResultID : qAsConst(m_held.resultIDs))
        TAV_StuResult::getInstance()->setUploaded(db, stuResultID);
    if (m_held.signID != -1) {
        TAV_SignInfo::getInstance()->setUploaded(db, m_held.signID);
        TAV_SignStuInfo::getInstance()->setUploaded(db, m_held.signID);
    }
    for (int examID : qAsConst(m_held.examIDs)) {
        TAV_ExamInfo::getInstance()->setUploaded(db, examID);
        TAV_ExamStuInfo::getInstance()->setUploaded(db, examID);
        TAV_ExamStuAnswer::getInstance()->setUploaded(db, examID);
        TAV_ExamStuAnswer_Pro::getInstance()->setUploadedByExam(db, examID);
    }
}

void Upload::deleteLocalRecord(QSqlDatabase db)
{
    const int id = m_held.recordID;
    if (id == -1)
        return;
    // Everything is found before anything goes: the lesson row deleted with a list unread would leave that
    // list's rows behind for good.
    const quint64 failures = TavStatement::failureCount();
    const QList<InteractInfoRow> lessonInteractions = TAV_InteractInfo::getInstance()->selectByRecord(db, id);
    const QList<SignInfoRow> signIns = TAV_SignInfo::getInstance()->selectByRecord(db, id);
    const QList<ExamInfoRow> quizzes = TAV_ExamInfo::getInstance()->selectByRecord(db, id);
    if (TavStatement::failureCount() != failures) {
        qWarning().noquote() << "****Upload could not read lesson record " + QString::number(id)
                + ", it is deleted by the next upload";
        return;
    }
    TAV_ClassRecord::getInstance()->deleteByRecord(db, id);
    for (const InteractInfoRow& row : lessonInteractions) {
        TAV_InteractInfo::getInstance()->deleteByInteract(db, row.interactID);
        TAV_StuResult::getInstance()->deleteByInteract(db, row.interactID);
    }
    for (const SignInfoRow& row : signIns)
        TAV_SignStuInfo::getInstance()->deleteBySign(db, row.signID);
    TAV_SignInfo::getInstance()->deleteByRecord(db, id);
    for (const ExamInfoRow& exam : quizzes) {
        // The histories go first: they are found through the quiz's answer rows.
        TAV_ExamStuAnswer_Pro::getInstance()->deleteByExam(db, exam.examID);
        TAV_ExamInfo::getInstance()->deleteByExam(db, exam.examID);
        TAV_ExamStuInfo::getInstance()->deleteByExam(db, exam.examID);
        TAV_ExamStuAnswer::getInstance()->deleteByExam(db, exam.examID);
    }
}

namespace {

// The one form-value encoder, for text units and UTF-8 bytes alike (every escape is ASCII):
// "%" -> "%25", "&" -> "%26", "+" -> "%2B".
template<typename Unit> int formEscapes(const Unit* begin, const Unit* end)
{
    int count = 0;
    for (const Unit* c = begin; c != end; ++c)
        count += (*c == Unit('%')) + (*c == Unit('&')) + (*c == Unit('+'));
    return count;
}

// Writes the encoded units to out, which has room for (end - begin) + 2 * formEscapes(); returns the end.
template<typename Unit> Unit* writeFormValue(const Unit* begin, const Unit* end, Unit* out)
{
    for (const Unit* c = begin; c != end; ++c) {
        if (*c == Unit('%') || *c == Unit('&') || *c == Unit('+')) {
            *out++ = Unit('%');
            *out++ = Unit('2');
            *out++ = *c == Unit('%') ? Unit('5') : *c == Unit('&') ? Unit('6') : Unit('B');
        } else {
            *out++ = *c;
        }
    }
    return out;
}

} // namespace

QString Upload::encodeFormValue(const QString& text)
{
    const ushort* const begin = text.utf16();
    const ushort* const end = begin + text.size();
    const int escapes = formEscapes(begin, end);
    if (escapes == 0)
        return text;
    QString encoded(text.size() + 2 * escapes, Qt::Uninitialized);
    writeFormValue(begin, end, reinterpret_cast<ushort*>(encoded.data()));
    return encoded;
}

QByteArray Upload::requestBody(const QString& document, const QString& flag)
{
    const QString sign = TAVNetEvent::sign("recordResult=" + document.left(50));
    // Encoding the UTF-8 bytes gives the body that encoding the text and then converting it gives, with one
    // conversion and one copy of a large document.
    const QByteArray value = document.toUtf8();
    const int escapes = formEscapes(value.cbegin(), value.cend());
    const QByteArray head("recordResult=");
    const QByteArray tail = ("&flag=" + flag + "&sign=" + sign).toUtf8();
    QByteArray body(head.size() + value.size() + 2 * escapes + tail.size(), Qt::Uninitialized);
    char* out = std::copy(head.cbegin(), head.cend(), body.data());
    out = escapes == 0 ? std::copy(value.cbegin(), value.cend(), out)
                       : writeFormValue(value.cbegin(), value.cend(), out);
    std::copy(tail.cbegin(), tail.cend(), out);
    return body;
}

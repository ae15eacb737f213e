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
#include "TavStatement.h"

#include <QDateTime>
#include <QtDebug>

#include <algorithm>

QString Upload::getUploadData(QSqlDatabase db, int localRecordID, bool force, bool* ok)
{
    const quint64 failures = TavStatement::failureCount();
    if (ok)
        *ok = true;
    // A table that could not be read looks like one with nothing pending: marking or deleting after it
    // would drop rows never sent. Holding no record makes updateFinishStatus and deleteLocalRecord no-ops.
    const auto readFailed = [&]() {
        qWarning().noquote() << "****Upload could not read lesson record " + QString::number(localRecordID)
                + ", it is left for the next upload";
        record.localRecordID = -1;
        if (ok)
            *ok = false;
        return QString();
    };
    offLineTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    record = ClassRecordRow();
    record.localRecordID = -1;
    signInfo = SignInfoRow();
    signStudents.clear();
    interactions.clear();
    interactResults.clear();
    exams.clear();
    examStudents.clear();
    examAnswers.clear();
    answerHistory.clear();

    ClassRecordRow found;
    if (TAV_ClassRecord::getInstance()->selectByRecord(db, localRecordID, &found) != 0)
        return TavStatement::failureCount() == failures ? QString() : readFailed();
    record = found;

    signInfo = TAV_SignInfo::getInstance()->selectLastFinished(db, localRecordID);
    if (signInfo.signID != -1)
        signStudents.insert(signInfo.signID, TAV_SignStuInfo::getInstance()->selectNotUploaded(db, signInfo.signID));

    // One statement per table for the whole lesson, each giving the rows of every parent in the order the
    // document lists them: a statement per interaction or quiz scanned its table once each. The maps may
    // also hold rows of parents that are not held (a running interaction's results); those are never used.
    interactResults = TAV_StuResult::getInstance()->selectNotUploadedByRecord(db, localRecordID);
    // A running interaction (a rush keeps its answer "1" from the start) gets its results only when it
    // stops; sent now, it would be marked uploaded and those results never sent.
    for (const InteractInfoRow& row : TAV_InteractInfo::getInstance()->selectNotUploaded(db, localRecordID)) {
        if (!row.endTime.isEmpty())
            interactions.append(row);
    }

    exams = TAV_ExamInfo::getInstance()->selectNotUploaded(db, localRecordID);
    if (!exams.isEmpty()) {
        examStudents = TAV_ExamStuInfo::getInstance()->selectNotUploadedByRecord(db, localRecordID);
        examAnswers = TAV_ExamStuAnswer::getInstance()->selectNotUploadedByRecord(db, localRecordID);
        answerHistory = TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploadedByRecord(db, localRecordID);
    }

    if (TavStatement::failureCount() != failures)
        return readFailed();

    const bool pending = signInfo.signID != -1 || !interactions.isEmpty() || !exams.isEmpty();
    if (!pending && record.status && !force)
        return QString();
    return writeDocument();
}

// Members go in name order, the order QJsonObject gave them when the document was built as a tree.
QString Upload::writeDocument() const
{
    const QString uuID = QString::number(record.localRecordID) + record.UUID;

    int results = 0;
    for (const QList<StuResultRow>& rows : interactResults)
        results += rows.size();
    int answers = 0;
    for (const QList<ExamStuAnswerRow>& rows : examAnswers)
        answers += rows.size();
    int steps = 0;
    for (const QList<ExamStuAnswerProRow>& rows : answerHistory)
        steps += rows.size();
    // Near the usual size of each part, so that a large lesson is written without copying the text around.
    JsonTextWriter json(2048 + 150 * results + 200 * answers + 100 * steps);

    json.beginObject();
    json.key(QLatin1String("data"));
    json.beginObject();

    json.key(QLatin1String("TAVClassRecord"));
    json.beginObject();
    json.member(QLatin1String("classID"), record.classID);
    json.member(QLatin1String("classStatus"), record.classStatus ? 1 : 0);
    json.member(QLatin1String("createDate"), record.createDate);
    json.member(QLatin1String("creator"), record.creator);
    json.member(QLatin1String("endTime"), record.endTime);
    json.member(QLatin1String("loaclRecordID"), record.localRecordID);
    json.member(QLatin1String("offLineTime"), offLineTime);
    json.member(QLatin1String("recordName"), record.recordName);
    json.member(QLatin1String("startTime"), record.startTime);
    json.member(QLatin1String("stationSn"), record.stationSn);
    json.member(QLatin1String("subjectID"), record.subjectID);
    json.member(QLatin1String("uuID"), uuID);
    json.endObject();

    json.key(QLatin1String("TAVExamInfo"));
    json.beginArray();
    for (const ExamInfoRow& row : exams) {
        json.beginObject();
        json.key(QLatin1String("TAVExamStuAnswer"));
        json.beginArray();
        const auto answersOfExam = examAnswers.constFind(row.examID);
        if (answersOfExam != examAnswers.constEnd()) {
            for (const ExamStuAnswerRow& answer : *answersOfExam) {
                json.beginObject();
                json.key(QLatin1String("TAVExamStuAnswerPro"));
                json.beginArray();
                const auto history = answerHistory.constFind(answer.id);
                if (history != answerHistory.constEnd()) {
                    for (const ExamStuAnswerProRow& entry : *history) {
                        json.beginObject();
                        json.member(QLatin1String("answer"), entry.answer);
                        json.member(QLatin1String("answerID"), entry.answerID);
                        json.member(QLatin1String("answerTime"), entry.answerTime);
                        json.member(QLatin1String("id"), entry.id);
                        json.member(QLatin1String("sequence"), entry.sequence);
                        json.endObject();
                    }
                }
                json.endArray();
                json.member(QLatin1String("answer"), answer.answer);
                json.member(QLatin1String("answerTime"), answer.answerTime);
                json.member(QLatin1String("dovaneID"), answer.dovaneID);
                json.member(QLatin1String("examID"), answer.examID);
                json.member(QLatin1String("id"), answer.id);
                json.member(QLatin1String("mcsn"), answer.mcsn);
                json.member(QLatin1String("questionID"), answer.questionID);
                json.member(QLatin1String("sn"), answer.sn);
                json.member(QLatin1String("structID"), answer.structID);
                json.member(QLatin1String("subQuestionID"), answer.subQuestionID);
                json.endObject();
            }
        }
        json.endArray();
        json.key(QLatin1String("TAVExamStuInfo"));
        json.beginArray();
        const auto studentsOfExam = examStudents.constFind(row.examID);
        if (studentsOfExam != examStudents.constEnd()) {
            for (const ExamStuInfoRow& student : *studentsOfExam) {
                json.beginObject();
                json.member(QLatin1String("dovaneID"), student.dovaneID);
                json.member(QLatin1String("examID"), student.examID);
                json.member(QLatin1String("useTime"), student.useTime);
                json.endObject();
            }
        }
        json.endArray();
        json.member(QLatin1String("endTime"), row.endTime);
        json.member(QLatin1String("examID"), row.examID);
        json.member(QLatin1String("loaclRecordID"), row.localRecordID);
        json.member(QLatin1String("paperID"), row.paperID);
        json.member(QLatin1String("startTime"), row.startTime);
        json.endObject();
    }
    json.endArray();

    json.key(QLatin1String("TAVInteractInfo"));
    json.beginArray();
    for (const InteractInfoRow& row : interactions) {
        json.beginObject();
        json.key(QLatin1String("TAVStuResult"));
        json.beginArray();
        const auto resultsOfInteraction = interactResults.constFind(row.interactID);
        if (resultsOfInteraction != interactResults.constEnd()) {
            for (const StuResultRow& result : *resultsOfInteraction) {
                json.beginObject();
                json.member(QLatin1String("createDate"), result.createDate);
                json.member(QLatin1String("dovaneID"), result.dovaneID);
                json.member(QLatin1String("interactID"), result.interactID);
                json.member(QLatin1String("offLineTime"), offLineTime);
                json.member(QLatin1String("result"), result.result);
                json.member(QLatin1String("stuResultID"), result.stuResultID);
                json.endObject();
            }
        }
        json.endArray();
        json.member(QLatin1String("answer"), row.answer);
        json.member(QLatin1String("answerType"), row.answerType);
        json.member(QLatin1String("createDate"), row.createDate);
        json.member(QLatin1String("endTime"), row.endTime);
        json.member(QLatin1String("interactID"), row.interactID);
        json.member(QLatin1String("localRecordID"), row.localRecordID);
        json.member(QLatin1String("offLineTime"), offLineTime);
        json.member(QLatin1String("startTime"), row.startTime);
        json.member(QLatin1String("stationSn"), row.stationSn);
        json.member(QLatin1String("uuID"), uuID);
        json.endObject();
    }
    json.endArray();

    // Without a finished sign-in the member stays an empty object.
    json.key(QLatin1String("TAVSignInfo"));
    json.beginObject();
    if (signInfo.signID != -1) {
        json.key(QLatin1String("TAVSignStuInfo"));
        json.beginArray();
        const auto students = signStudents.constFind(signInfo.signID);
        if (students != signStudents.constEnd()) {
            for (const SignStuInfoRow& row : *students) {
                json.beginObject();
                json.member(QLatin1String("createDate"), row.createDate);
                json.member(QLatin1String("dovaneID"), row.dovaneID);
                json.member(QLatin1String("offLineTime"), offLineTime);
                json.member(QLatin1String("signID"), row.signID);
                json.member(QLatin1String("stuSignID"), row.stuSignID);
                json.endObject();
            }
        }
        json.endArray();
        json.member(QLatin1String("createDate"), signInfo.createDate);
        json.member(QLatin1String("endTime"), signInfo.endTime);
        json.member(QLatin1String("localRecordID"), signInfo.localRecordID);
        json.member(QLatin1String("offLineTime"), offLineTime);
        json.member(QLatin1String("signID"), signInfo.signID);
        json.member(QLatin1String("startTime"), signInfo.startTime);
        json.member(QLatin1String("stationSn"), signInfo.stationSn);
        json.member(QLatin1String("uuID"), uuID);
    }
    json.endObject();

    json.endObject();
    json.endObject();
    return json.take();
}

void Upload::updateFinishStatus(QSqlDatabase db)
{
    if (record.localRecordID == -1)
        return;
    TAV_ClassRecord::getInstance()->setUploaded(db, record.localRecordID);
    for (const InteractInfoRow& row : qAsConst(interactions)) {
        TAV_InteractInfo::getInstance()->setUploaded(db, row.interactID);
        for (const StuResultRow& result : interactResults.value(row.interactID))
            TAV_StuResult::getInstance()->setUploaded(db, result.stuResultID);
    }
    if (signInfo.signID != -1) {
        TAV_SignInfo::getInstance()->setUploaded(db, signInfo.signID);
        TAV_SignStuInfo::getInstance()->setUploaded(db, signInfo.signID);
    }
    for (const ExamInfoRow& exam : qAsConst(exams)) {
        TAV_ExamInfo::getInstance()->setUploaded(db, exam.examID);
        TAV_ExamStuInfo::getInstance()->setUploaded(db, exam.examID);
        TAV_ExamStuAnswer::getInstance()->setUploaded(db, exam.examID);
        TAV_ExamStuAnswer_Pro::getInstance()->setUploadedByExam(db, exam.examID);
    }
}

void Upload::deleteLocalRecord(QSqlDatabase db)
{
    const int id = record.localRecordID;
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

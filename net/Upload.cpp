#include "Upload.h"

#include "JsonHelper.h"
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
#include <QJsonArray>
#include <QSqlQuery>

QString Upload::getUploadData(QSqlDatabase db, int localRecordID, bool force)
{
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
        return QString();
    record = found;

    signInfo = TAV_SignInfo::getInstance()->selectLastFinished(db, localRecordID);
    if (signInfo.signID != -1)
        signStudents.insert(signInfo.signID, TAV_SignStuInfo::getInstance()->selectNotUploaded(db, signInfo.signID));

    // A running interaction (a rush keeps its answer "1" from the start) gets its results only when it
    // stops; sent now, it would be marked uploaded and those results never sent.
    for (const InteractInfoRow& row : TAV_InteractInfo::getInstance()->selectNotUploaded(db, localRecordID)) {
        if (row.endTime.isEmpty())
            continue;
        interactions.append(row);
        interactResults.insert(row.interactID, TAV_StuResult::getInstance()->selectNotUploaded(db, row.interactID));
    }

    exams = TAV_ExamInfo::getInstance()->selectNotUploaded(db, localRecordID);
    for (const ExamInfoRow& exam : qAsConst(exams)) {
        examStudents.insert(exam.examID, TAV_ExamStuInfo::getInstance()->selectNotUploaded(db, exam.examID));
        const QList<ExamStuAnswerRow> answers = TAV_ExamStuAnswer::getInstance()->selectNotUploaded(db, exam.examID);
        examAnswers.insert(exam.examID, answers);
        const QMap<int, QList<ExamStuAnswerProRow>> history = pendingHistoryOfExam(db, exam.examID);
        for (const ExamStuAnswerRow& answer : answers)
            answerHistory.insert(answer.id, history.value(answer.id));
    }

    const bool pending = signInfo.signID != -1 || !interactions.isEmpty() || !exams.isEmpty();
    if (!pending && record.status && !force)
        return QString();
    return QString::fromUtf8(JsonHelper::getInstance()->toJson(buildDocument()));
}

// The pending history rows of all pending answers of a quiz, by answer id. One statement instead of one per
// answer: a quiz of 60 students and 50 items has 3000 answers, and the history table has no index on answerID.
QMap<int, QList<ExamStuAnswerProRow>> Upload::pendingHistoryOfExam(QSqlDatabase db, int examID)
{
    QMap<int, QList<ExamStuAnswerProRow>> history;
    TavStatement st(db,
                    QStringLiteral("select id, answerID, sequence, answer, answerTime from TAV_ExamStuAnswer_Pro "
                                   "where status = ? and answerID in "
                                   "(select id from TAV_ExamStuAnswer where examID = ? and status = ?) order by id"));
    st.bind(0).bind(examID).bind(0);
    if (!st.exec())
        return history;
    QSqlQuery& q = st.query();
    while (q.next()) {
        ExamStuAnswerProRow row;
        row.id = q.value(0).toInt();
        row.answerID = q.value(1).toInt();
        row.sequence = q.value(2).toInt();
        row.answer = q.value(3).toString();
        row.answerTime = TavStatement::readTime(q.value(4));
        history[row.answerID].append(row);
    }
    return history;
}

QJsonObject Upload::buildDocument() const
{
    const QString uuID = QString::number(record.localRecordID) + record.UUID;

    QJsonObject classRecord;
    classRecord.insert(QLatin1String("loaclRecordID"), record.localRecordID);
    classRecord.insert(QLatin1String("uuID"), uuID);
    classRecord.insert(QLatin1String("recordName"), record.recordName);
    classRecord.insert(QLatin1String("creator"), record.creator);
    classRecord.insert(QLatin1String("classID"), record.classID);
    classRecord.insert(QLatin1String("subjectID"), record.subjectID);
    classRecord.insert(QLatin1String("startTime"), record.startTime);
    classRecord.insert(QLatin1String("endTime"), record.endTime);
    classRecord.insert(QLatin1String("classStatus"), record.classStatus ? 1 : 0);
    classRecord.insert(QLatin1String("stationSn"), record.stationSn);
    classRecord.insert(QLatin1String("createDate"), record.createDate);
    classRecord.insert(QLatin1String("offLineTime"), offLineTime);

    QJsonObject sign;
    if (signInfo.signID != -1) {
        sign.insert(QLatin1String("signID"), signInfo.signID);
        sign.insert(QLatin1String("localRecordID"), signInfo.localRecordID);
        sign.insert(QLatin1String("startTime"), signInfo.startTime);
        sign.insert(QLatin1String("endTime"), signInfo.endTime);
        sign.insert(QLatin1String("createDate"), signInfo.createDate);
        sign.insert(QLatin1String("stationSn"), signInfo.stationSn);
        sign.insert(QLatin1String("offLineTime"), offLineTime);
        sign.insert(QLatin1String("uuID"), uuID);
        QJsonArray students;
        for (const SignStuInfoRow& row : signStudents.value(signInfo.signID)) {
            QJsonObject student;
            student.insert(QLatin1String("stuSignID"), row.stuSignID);
            student.insert(QLatin1String("signID"), row.signID);
            student.insert(QLatin1String("dovaneID"), row.dovaneID);
            student.insert(QLatin1String("createDate"), row.createDate);
            student.insert(QLatin1String("offLineTime"), offLineTime);
            students.append(student);
        }
        sign.insert(QLatin1String("TAVSignStuInfo"), students);
    }

    QJsonArray interactArray;
    for (const InteractInfoRow& row : interactions) {
        QJsonObject interact;
        interact.insert(QLatin1String("interactID"), row.interactID);
        interact.insert(QLatin1String("localRecordID"), row.localRecordID);
        interact.insert(QLatin1String("answerType"), row.answerType);
        interact.insert(QLatin1String("startTime"), row.startTime);
        interact.insert(QLatin1String("endTime"), row.endTime);
        interact.insert(QLatin1String("answer"), row.answer);
        interact.insert(QLatin1String("createDate"), row.createDate);
        interact.insert(QLatin1String("stationSn"), row.stationSn);
        interact.insert(QLatin1String("offLineTime"), offLineTime);
        interact.insert(QLatin1String("uuID"), uuID);
        QJsonArray results;
        for (const StuResultRow& result : interactResults.value(row.interactID)) {
            QJsonObject item;
            item.insert(QLatin1String("stuResultID"), result.stuResultID);
            item.insert(QLatin1String("interactID"), result.interactID);
            item.insert(QLatin1String("dovaneID"), result.dovaneID);
            item.insert(QLatin1String("createDate"), result.createDate);
            item.insert(QLatin1String("result"), result.result);
            item.insert(QLatin1String("offLineTime"), offLineTime);
            results.append(item);
        }
        interact.insert(QLatin1String("TAVStuResult"), results);
        interactArray.append(interact);
    }

    QJsonArray examArray;
    for (const ExamInfoRow& row : exams) {
        QJsonObject exam;
        exam.insert(QLatin1String("examID"), row.examID);
        exam.insert(QLatin1String("loaclRecordID"), row.localRecordID);
        exam.insert(QLatin1String("startTime"), row.startTime);
        exam.insert(QLatin1String("endTime"), row.endTime);
        exam.insert(QLatin1String("paperID"), row.paperID);
        QJsonArray students;
        for (const ExamStuInfoRow& student : examStudents.value(row.examID)) {
            QJsonObject item;
            item.insert(QLatin1String("dovaneID"), student.dovaneID);
            item.insert(QLatin1String("examID"), student.examID);
            item.insert(QLatin1String("useTime"), student.useTime);
            students.append(item);
        }
        exam.insert(QLatin1String("TAVExamStuInfo"), students);
        QJsonArray answers;
        for (const ExamStuAnswerRow& answer : examAnswers.value(row.examID)) {
            QJsonObject item;
            item.insert(QLatin1String("id"), answer.id);
            item.insert(QLatin1String("examID"), answer.examID);
            item.insert(QLatin1String("dovaneID"), answer.dovaneID);
            item.insert(QLatin1String("answer"), answer.answer);
            item.insert(QLatin1String("subQuestionID"), answer.subQuestionID);
            item.insert(QLatin1String("sn"), answer.sn);
            item.insert(QLatin1String("questionID"), answer.questionID);
            item.insert(QLatin1String("structID"), answer.structID);
            item.insert(QLatin1String("mcsn"), answer.mcsn);
            item.insert(QLatin1String("answerTime"), answer.answerTime);
            QJsonArray history;
            for (const ExamStuAnswerProRow& entry : answerHistory.value(answer.id)) {
                QJsonObject step;
                step.insert(QLatin1String("id"), entry.id);
                step.insert(QLatin1String("answerID"), entry.answerID);
                step.insert(QLatin1String("sequence"), entry.sequence);
                step.insert(QLatin1String("answer"), entry.answer);
                step.insert(QLatin1String("answerTime"), entry.answerTime);
                history.append(step);
            }
            item.insert(QLatin1String("TAVExamStuAnswerPro"), history);
            answers.append(item);
        }
        exam.insert(QLatin1String("TAVExamStuAnswer"), answers);
        examArray.append(exam);
    }

    QJsonObject data;
    data.insert(QLatin1String("TAVClassRecord"), classRecord);
    data.insert(QLatin1String("TAVSignInfo"), sign);
    data.insert(QLatin1String("TAVInteractInfo"), interactArray);
    data.insert(QLatin1String("TAVExamInfo"), examArray);
    QJsonObject root;
    root.insert(QLatin1String("data"), data);
    return root;
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
        for (const ExamStuAnswerRow& answer : examAnswers.value(exam.examID))
            TAV_ExamStuAnswer_Pro::getInstance()->setUploaded(db, answer.id);
    }
}

void Upload::deleteLocalRecord(QSqlDatabase db)
{
    const int id = record.localRecordID;
    if (id == -1)
        return;
    TAV_ClassRecord::getInstance()->deleteByRecord(db, id);
    for (const InteractInfoRow& row : TAV_InteractInfo::getInstance()->selectByRecord(db, id)) {
        TAV_InteractInfo::getInstance()->deleteByInteract(db, row.interactID);
        TAV_StuResult::getInstance()->deleteByInteract(db, row.interactID);
    }
    for (const SignInfoRow& row : TAV_SignInfo::getInstance()->selectByRecord(db, id))
        TAV_SignStuInfo::getInstance()->deleteBySign(db, row.signID);
    TAV_SignInfo::getInstance()->deleteByRecord(db, id);
    for (const ExamInfoRow& exam : TAV_ExamInfo::getInstance()->selectByRecord(db, id)) {
        for (const ExamStuAnswerRow& answer : TAV_ExamStuAnswer::getInstance()->selectByExam(db, exam.examID))
            TAV_ExamStuAnswer_Pro::getInstance()->deleteByAnswer(db, answer.id);
        TAV_ExamInfo::getInstance()->deleteByExam(db, exam.examID);
        TAV_ExamStuInfo::getInstance()->deleteByExam(db, exam.examID);
        TAV_ExamStuAnswer::getInstance()->deleteByExam(db, exam.examID);
    }
}

QString Upload::encodeFormValue(const QString& text)
{
    QString encoded = text;
    encoded.replace(QLatin1Char('%'), QLatin1String("%25"));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    encoded.replace(QLatin1Char('+'), QLatin1String("%2B"));
    return encoded;
}

QByteArray Upload::requestBody(const QString& document, const QString& flag)
{
    const QString sign = TAVNetEvent::sign("recordResult=" + document.left(50));
    return ("recordResult=" + encodeFormValue(document) + "&flag=" + flag + "&sign=" + sign).toUtf8();
}

// The lesson-record upload document: what is sent, in which form, and what is marked or dropped after.
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"
#include "TavWebService.h"
#include "Upload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

using namespace LessonFixture;

namespace {
QString value(const QString& sql)
{
    return DbTestSupport::committedValue(sql).toString();
}

enum After { Keep = 0, Mark = 1, Delete = 2 };

// The document of the record, then what a confirmed upload does: mark the rows sent and/or drop the lesson.
QString upload(int recordID, int after = Keep, bool force = false)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString data = Upload::getInstance()->getUploadData(db, recordID, force);
    if (after & Mark)
        Upload::getInstance()->updateFinishStatus(db);
    if (after & Delete)
        Upload::getInstance()->deleteLocalRecord(db);
    TAVDatabase::getInstance()->closeDbCon(db);
    return data;
}

QJsonObject dataOf(const QString& document)
{
    return QJsonDocument::fromJson(document.toUtf8()).object().value("data").toObject();
}

int addInteraction(int recordID, const QString& answer, bool ended)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    InteractInfoRow row;
    row.localRecordID = recordID;
    row.answer = answer;
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row);
    if (ended)
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    TAVDatabase::getInstance()->closeDbCon(db);
    return row.interactID;
}

// A member of every object of a document array, in order.
QStringList members(const QJsonArray& array, const QStringList& keys)
{
    QStringList rows;
    for (const QJsonValue& item : array) {
        QStringList values;
        for (const QString& key : keys)
            values << item.toObject().value(key).toVariant().toString();
        rows << values.join('|');
    }
    return rows;
}

template<typename Row, typename... Fields> QStringList fields(const QList<Row>& list, Fields Row::*... field)
{
    QStringList rows;
    for (const Row& row : list)
        rows << QStringList { QVariant(row.*field).toString()... }.join('|');
    return rows;
}

// Two lessons written turn about, so that their rows interleave in every table, students in falling order,
// and some rows sent already.
int writeInterleavedLessons()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    record.stationSn = "RF21X00001";
    const int a = TAV_ClassRecord::getInstance()->insertClassRecord(db, record);
    const int b = TAV_ClassRecord::getInstance()->insertClassRecord(db, record);
    QList<int> interactions;
    for (int lesson : { a, b, a, a }) {
        InteractInfoRow row;
        row.localRecordID = lesson;
        row.answer = "C";
        TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row); // ends the one before: the last runs on
        interactions << row.interactID;
    }
    for (int student = 5; student > 0; --student) {
        for (int interaction : interactions) {
            const StuResultRow result { 0, interaction, QString("s%1").arg(student), kTime, "AB", false };
            TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
    }
    QList<int> quizzes;
    for (int lesson : { a, b, a }) {
        ExamInfoRow exam { 0, lesson, kTime, kTime, "P7", 0 };
        quizzes << TAV_ExamInfo::getInstance()->insertExamInfo(db, exam);
    }
    QList<int> answers;
    for (int student = 3; student > 0; --student) {
        for (int quiz : quizzes) {
            const QString id = QString("s%1").arg(student);
            TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { id, quiz, 60 + student });
            for (int item = 1; item <= 2; ++item) {
                ExamStuAnswerRow answer { 0, quiz, id, "D", 1, item, "Q" + QString::number(item), 1, item, kTime };
                answers << TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
            }
        }
    }
    for (int sequence = 1; sequence <= 2; ++sequence) {
        for (auto answer = answers.crbegin(); answer != answers.crend(); ++answer)
            TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(db, { 0, *answer, sequence, "A", kTime });
    }
    TAV_StuResult::getInstance()->setUploaded(db, 1);
    QSqlQuery(db).exec("update TAV_ExamStuAnswer set status = 1 where id = " + QString::number(answers.at(0)));
    QSqlQuery(db).exec("update TAV_ExamStuAnswer_Pro set status = 1 where id = 2");
    TAVDatabase::getInstance()->closeDbCon(db);
    return a;
}

// Texts the document must carry exactly: JSON escapes, text beyond the BMP, surrogates without their partner
// and units SQLite does not keep as they were.
const QStringList kTexts = {
    R"(say "hi")",
    R"(C:\dir\file)",
    QString("tab\there\nnew\x01\x1f") + QChar(0) + "end",
    QString::fromUtf8("数学 😀"),
    QString("a") + QChar(0xd83d) + "b",
    QString("end") + QChar(0xdc00),
    QString(QChar(0xfffe)) + QChar(0xffff) + QChar(0x7f),
    QString(),
};
// Bytes that are no valid UTF-8, stored as text by another writer of the file.
const QStringList kRawTexts = { "80", "C080", "F880808080", "EDA080", "F4908080", "C341", "E0" };

QString text(int i)
{
    return kTexts.at(i % kTexts.size());
}

void update(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query(db);
    QVERIFY2(query.exec(sql), qPrintable(sql));
}

// A lesson with rows of every kind: sign-ins, interactions sent and not (pending answer, sent before, still
// running) with results, quizzes sent and not with students, answers and histories; texts as kTexts and
// kRawTexts, NULL columns and values stored in other forms than the program writes them.
int writeLessonOfEveryKind()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    record.creator = text(0);
    record.classID = 101;
    record.subjectID = 3;
    record.stationSn = text(1);
    const int lesson = TAV_ClassRecord::getInstance()->insertClassRecord(db, record);
    for (int signIn = 0; signIn < 2; ++signIn) {
        TAV_SignInfo::getInstance()->insertSignInfo(db, text(signIn + 2));
        QMap<QString, QString> students;
        for (int i = 0; i < kTexts.size(); ++i)
            students.insert(text(i) + QString::number(i), i % 3 ? kTime : "2024-09-01T10:00:0" + QString::number(i));
        TAV_SignStuInfo::getInstance()->insertSignStuInfoList(db, students);
        TAV_SignInfo::getInstance()->setEndTime(db);
    }

    // Answers: sent, waiting for the right answer, sent already, NULL (sent), empty (sent), still running.
    const QStringList answers = { "A", "-1", "B", "NULL", "", "1" };
    QList<int> interactions;
    for (const QString& answer : answers) {
        InteractInfoRow row;
        row.localRecordID = lesson;
        row.answerType = interactions.size();
        row.answer = answer;
        row.startTime = row.createDate = kTime;
        row.stationSn = text(interactions.size());
        TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row); // ends the one before
        interactions << row.interactID;
    }
    for (int i = 0; i < 3 * kTexts.size(); ++i) {
        for (int interaction : interactions) {
            const StuResultRow result { 0, interaction, text(i), kTime, text(i + interaction), false };
            TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
    }
    update(db, "update TAV_InteractInfo set answer = NULL where answer = 'NULL'");
    TAV_InteractInfo::getInstance()->setUploaded(db, interactions.at(2));

    // Quizzes sent, sent already (with rows left pending) and sent; their rows written in turn.
    QList<int> quizzes;
    for (int q = 0; q < 3; ++q) {
        ExamInfoRow exam { 0, lesson, kTime, q == 1 ? QString() : kTime, text(q), 0 };
        quizzes << TAV_ExamInfo::getInstance()->insertExamInfo(db, exam);
    }
    for (int student = 0; student < kTexts.size(); ++student) {
        for (int quiz : quizzes) {
            const QString id = text(student) + QString::number(student);
            TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, { id, quiz, 60 + student });
            for (int item = 1; item <= 3; ++item) {
                ExamStuAnswerRow answer { 0, quiz, id, text(student + item), item, item, text(item), 1, item, kTime };
                TAV_ExamStuAnswer::getInstance()->insertExamStuAnswer(db, answer);
                for (int entry = 1; entry < (student + item) % 4; ++entry) // none to two entries
                    TAV_ExamStuAnswer_Pro::getInstance()->insertExamStuAnswerPro(
                        db, { 0, answer.id, entry, text(entry + student), kTime });
            }
        }
    }
    TAV_ExamInfo::getInstance()->setUploaded(db, quizzes.at(1));
    update(db, "update TAV_ExamStuAnswer set status = 1 where id % 7 = 0");
    update(db, "update TAV_ExamStuAnswer_Pro set status = 1 where id % 5 = 0");
    update(db, "update TAV_ExamStuInfo set status = 1 where useTime = 61");

    // Values another writer of the file may have left: NULLs, texts where numbers go, numbers where times go.
    for (int i = 0; i < kRawTexts.size(); ++i) {
        const QString raw = QString("cast(x'%1' as text)").arg(kRawTexts.at(i));
        update(db, QString("update TAV_StuResult set result = %1 where stuResultID = %2").arg(raw).arg(3 * i + 1));
        update(db, QString("update TAV_ExamStuAnswer set answer = %1 where id = %2").arg(raw).arg(2 * i + 1));
        update(db, QString("update TAV_ExamStuAnswer_Pro set answer = %1 where id = %2").arg(raw).arg(i + 1));
    }
    update(db, "update TAV_StuResult set dovaneID = NULL, createDate = NULL where stuResultID % 5 = 1");
    update(db, "update TAV_StuResult set createDate = ' 2024-09-01 10:00:00 ' where stuResultID % 5 = 2");
    update(db, "update TAV_StuResult set createDate = '2024-09-01T10:00:07' where stuResultID % 5 = 3");
    update(db, "update TAV_ExamStuAnswer set answerTime = NULL, questionID = NULL, sn = NULL where id % 6 = 1");
    update(db, "update TAV_ExamStuAnswer set answerTime = '2024-02-30 10:00:00', sn = '12abc' where id % 6 = 2");
    update(db, "update TAV_ExamStuAnswer set answerTime = 20240901, mcsn = 2.5 where id % 6 = 3");
    update(db, "update TAV_ExamStuAnswer set structID = 8589934597, subQuestionID = -7 where id % 6 = 4");
    update(db, "update TAV_ExamStuAnswer_Pro set answerTime = NULL, sequence = NULL where id % 4 = 1");
    update(db, "update TAV_ExamStuAnswer_Pro set answerTime = '2024-09-01T10:00:01' where id % 4 = 2");
    update(db, "update TAV_ExamStuInfo set useTime = NULL where useTime = 62");
    update(db, "update TAV_ExamStuInfo set useTime = 'x', dovaneID = NULL where useTime = 63");
    update(db, "update TAV_ExamInfo set paperID = NULL where examID = " + QString::number(quizzes.at(0)));
    TAVDatabase::getInstance()->closeDbCon(db);
    return lesson;
}

// The document as it was first made: a QJsonObject tree of the rows the table classes read parent by parent,
// written by QJsonDocument.
QString treeDocument(int recordID, const QString& offLineTime)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    TAV_ClassRecord::getInstance()->selectByRecord(db, recordID, &record);
    const QString uuID = QString::number(record.localRecordID) + record.UUID;
    QJsonObject data;
    data["TAVClassRecord"] = QJsonObject { { "loaclRecordID", record.localRecordID },
                                           { "uuID", uuID },
                                           { "recordName", record.recordName },
                                           { "creator", record.creator },
                                           { "classID", record.classID },
                                           { "subjectID", record.subjectID },
                                           { "startTime", record.startTime },
                                           { "endTime", record.endTime },
                                           { "classStatus", record.classStatus ? 1 : 0 },
                                           { "stationSn", record.stationSn },
                                           { "createDate", record.createDate },
                                           { "offLineTime", offLineTime } };
    const SignInfoRow signIn = TAV_SignInfo::getInstance()->selectLastFinished(db, recordID);
    QJsonObject sign;
    if (signIn.signID != -1) {
        QJsonArray students;
        for (const SignStuInfoRow& row : TAV_SignStuInfo::getInstance()->selectNotUploaded(db, signIn.signID))
            students.append(QJsonObject { { "stuSignID", row.stuSignID },
                                          { "signID", row.signID },
                                          { "dovaneID", row.dovaneID },
                                          { "createDate", row.createDate },
                                          { "offLineTime", offLineTime } });
        sign = QJsonObject { { "signID", signIn.signID },         { "localRecordID", signIn.localRecordID },
                             { "startTime", signIn.startTime },   { "endTime", signIn.endTime },
                             { "createDate", signIn.createDate }, { "stationSn", signIn.stationSn },
                             { "offLineTime", offLineTime },      { "uuID", uuID },
                             { "TAVSignStuInfo", students } };
    }
    data["TAVSignInfo"] = sign;
    QJsonArray interactions;
    for (const InteractInfoRow& row : TAV_InteractInfo::getInstance()->selectNotUploaded(db, recordID)) {
        if (row.endTime.isEmpty())
            continue;
        QJsonArray results;
        for (const StuResultRow& result : TAV_StuResult::getInstance()->selectNotUploaded(db, row.interactID))
            results.append(QJsonObject { { "stuResultID", result.stuResultID },
                                         { "interactID", result.interactID },
                                         { "dovaneID", result.dovaneID },
                                         { "createDate", result.createDate },
                                         { "result", result.result },
                                         { "offLineTime", offLineTime } });
        interactions.append(QJsonObject { { "interactID", row.interactID },
                                          { "localRecordID", row.localRecordID },
                                          { "answerType", row.answerType },
                                          { "startTime", row.startTime },
                                          { "endTime", row.endTime },
                                          { "answer", row.answer },
                                          { "createDate", row.createDate },
                                          { "stationSn", row.stationSn },
                                          { "offLineTime", offLineTime },
                                          { "uuID", uuID },
                                          { "TAVStuResult", results } });
    }
    data["TAVInteractInfo"] = interactions;
    QJsonArray quizzes;
    for (const ExamInfoRow& exam : TAV_ExamInfo::getInstance()->selectNotUploaded(db, recordID)) {
        QJsonArray students;
        for (const ExamStuInfoRow& row : TAV_ExamStuInfo::getInstance()->selectNotUploaded(db, exam.examID))
            students.append(
                QJsonObject { { "dovaneID", row.dovaneID }, { "examID", row.examID }, { "useTime", row.useTime } });
        QJsonArray answers;
        for (const ExamStuAnswerRow& row : TAV_ExamStuAnswer::getInstance()->selectNotUploaded(db, exam.examID)) {
            QJsonArray history;
            for (const ExamStuAnswerProRow& entry : TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(db, row.id))
                history.append(QJsonObject { { "id", entry.id },
                                             { "answerID", entry.answerID },
                                             { "sequence", entry.sequence },
                                             { "answer", entry.answer },
                                             { "answerTime", entry.answerTime } });
            answers.append(QJsonObject { { "id", row.id },
                                         { "examID", row.examID },
                                         { "dovaneID", row.dovaneID },
                                         { "answer", row.answer },
                                         { "subQuestionID", row.subQuestionID },
                                         { "sn", row.sn },
                                         { "questionID", row.questionID },
                                         { "structID", row.structID },
                                         { "mcsn", row.mcsn },
                                         { "answerTime", row.answerTime },
                                         { "TAVExamStuAnswerPro", history } });
        }
        quizzes.append(QJsonObject { { "examID", exam.examID },
                                     { "loaclRecordID", exam.localRecordID },
                                     { "startTime", exam.startTime },
                                     { "endTime", exam.endTime },
                                     { "paperID", exam.paperID },
                                     { "TAVExamStuInfo", students },
                                     { "TAVExamStuAnswer", answers } });
    }
    data["TAVExamInfo"] = quizzes;
    TAVDatabase::getInstance()->closeDbCon(db);
    return QString::fromUtf8(QJsonDocument(QJsonObject { { "data", data } }).toJson(QJsonDocument::Compact));
}
} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(DbTestSupport::freshDatabase()); }

    void documentOfAFinishedLesson()
    {
        // Only the newest finished sign-in goes: not the earlier one, nor the one still running.
        const Lesson lesson = makeLesson({ 1, 2, 1, 1, 1 }, "数学-初二(1)班-202409011000");
        QCOMPARE(lesson.recordID, 1);
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_SignInfo::getInstance()->insertSignInfo(db, "RF21X00001");
        TAVDatabase::getInstance()->closeDbCon(db);
        const QString document = upload(lesson.recordID);
        const QString offLine = dataOf(document).value("TAVClassRecord").toObject().value("offLineTime").toString();
        QVERIFY(!offLine.isEmpty());

        QString expected
            = R"({"data":{"TAVClassRecord":{"classID":101,"classStatus":1,"createDate":"%1","creator":"teacher01",)"
              R"("endTime":"%2","loaclRecordID":1,"offLineTime":"%O","recordName":"数学-初二(1)班-202409011000",)"
              R"("startTime":"%1","stationSn":"RF21X00001","subjectID":1,"uuID":"%U"},"TAVExamInfo":[{)"
              R"("TAVExamStuAnswer":[{"TAVExamStuAnswerPro":[{"answer":"B","answerID":1,"answerTime":"%T","id":1,)"
              R"("sequence":1}],"answer":"B","answerTime":"%T","dovaneID":"2024080101","examID":1,"id":1,"mcsn":1,)"
              R"("questionID":"1001","sn":1,"structID":1,"subQuestionID":1}],)"
              R"("TAVExamStuInfo":[{"dovaneID":"2024080101","examID":1,"useTime":60}],"endTime":"%T","examID":1,)"
              R"("loaclRecordID":1,"paperID":"P1001","startTime":"%T"}],)"
              R"("TAVInteractInfo":[{"TAVStuResult":[{"createDate":"%T","dovaneID":"2024080101","interactID":1,)"
              R"("offLineTime":"%O","result":"A","stuResultID":1}],"answer":"A","answerType":0,"createDate":"%T",)"
              R"("endTime":"%3","interactID":1,"localRecordID":1,"offLineTime":"%O","startTime":"%T",)"
              R"("stationSn":"RF21X00001","uuID":"%U"}],)"
              R"("TAVSignInfo":{"TAVSignStuInfo":[{"createDate":"%T","dovaneID":"2024080101","offLineTime":"%O",)"
              R"("signID":2,"stuSignID":2}],"createDate":"%4","endTime":"%5","localRecordID":1,"offLineTime":"%O",)"
              R"("signID":2,"startTime":"%4","stationSn":"RF21X00001","uuID":"%U"}}})";
        expected = expected.arg(
            value("select startTime from TAV_ClassRecord"), value("select endTime from TAV_ClassRecord"),
            value("select endTime from TAV_InteractInfo"), value("select startTime from TAV_SignInfo where signID = 2"),
            value("select endTime from TAV_SignInfo where signID = 2"));
        const QString uuID = "1" + value("select UUID from TAV_ClassRecord");
        QCOMPARE(document, expected.replace("%O", offLine).replace("%T", kTime).replace("%U", uuID));
    }

    // Each interaction, quiz and answer carries its own pending rows in table order, read as one statement per
    // interaction, quiz or answer would read them.
    void documentHoldsEachParentsPendingRowsInTableOrder()
    {
        const int lesson = writeInterleavedLessons();
        const QJsonObject data = dataOf(upload(lesson));
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const QJsonArray interactions = data.value("TAVInteractInfo").toArray();
        QCOMPARE(members(interactions, { "interactID" }), QStringList({ "1", "3" }));
        int rows = 0;
        for (const QJsonValue& interaction : interactions) {
            const int id = interaction.toObject().value("interactID").toInt();
            const QStringList expected = fields(TAV_StuResult::getInstance()->selectNotUploaded(db, id),
                                                &StuResultRow::stuResultID, &StuResultRow::dovaneID);
            QCOMPARE(members(interaction.toObject().value("TAVStuResult").toArray(), { "stuResultID", "dovaneID" }),
                     expected);
            rows += expected.size();
        }
        const QJsonArray quizzes = data.value("TAVExamInfo").toArray();
        QCOMPARE(members(quizzes, { "examID" }), QStringList({ "1", "3" }));
        for (const QJsonValue& quizValue : quizzes) {
            const QJsonObject quiz = quizValue.toObject();
            const int id = quiz.value("examID").toInt();
            QCOMPARE(members(quiz.value("TAVExamStuInfo").toArray(), { "dovaneID", "useTime" }),
                     fields(TAV_ExamStuInfo::getInstance()->selectNotUploaded(db, id), &ExamStuInfoRow::dovaneID,
                            &ExamStuInfoRow::useTime));
            const QJsonArray answers = quiz.value("TAVExamStuAnswer").toArray();
            const QStringList expected
                = fields(TAV_ExamStuAnswer::getInstance()->selectNotUploaded(db, id), &ExamStuAnswerRow::id,
                         &ExamStuAnswerRow::dovaneID, &ExamStuAnswerRow::sn);
            QCOMPARE(members(answers, { "id", "dovaneID", "sn" }), expected);
            rows += expected.size();
            for (const QJsonValue& answer : answers) {
                const int answerID = answer.toObject().value("id").toInt();
                const QStringList history
                    = fields(TAV_ExamStuAnswer_Pro::getInstance()->selectNotUploaded(db, answerID),
                             &ExamStuAnswerProRow::id, &ExamStuAnswerProRow::sequence);
                QCOMPARE(members(answer.toObject().value("TAVExamStuAnswerPro").toArray(), { "id", "sequence" }),
                         history);
                rows += history.size();
            }
        }
        TAVDatabase::getInstance()->closeDbCon(db);
        // Five results of each of two interactions less one sent; six answers of each of two quizzes less one
        // sent, each with two history entries less one sent.
        QCOMPARE(rows, 9 + 11 + 21);
    }

    void bodyEscapesFormSpecialsAndSignsThePlainText_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("sent");
        QTest::newRow("no specials, unchanged") << QString(R"({"a":"数学 😀"})") << QString(R"({"a":"数学 😀"})");
        QTest::newRow("each special") << QString("Q&A 100% a+b %25 &&++") << "Q%26A 100%25 a%2Bb %2525 %26%26%2B%2B";
        QTest::newRow("specials at the ends") << QString("+数学&%") << "%2B数学%26%25";
    }
    void bodyEscapesFormSpecialsAndSignsThePlainText()
    {
        QFETCH(QString, document);
        QFETCH(QString, sent);
        const QString sign
            = TavWebService::md5Hex("recordResult=" + document.left(50) + "&" + TavWebService::signKey());
        QCOMPARE(Upload::requestBody(document, "1"), ("recordResult=" + sent + "&flag=1&sign=" + sign).toUtf8());
    }

    // The document written as the rows are read is the tree the table classes' own reads give, byte for byte,
    // and a confirmed upload marks exactly the rows it holds.
    void documentIsTheTreeOfTheRowsRead()
    {
        const int lesson = writeLessonOfEveryKind();
        const QVector<int> stored = tableRows();
        const QString pendingResults = "TAV_StuResult where status = 0";
        const int resultsNotSent = rows(pendingResults + " and interactID in (2, 3, 6)");
        QVERIFY(resultsNotSent > 0);
        const QString document = upload(lesson);
        const QJsonObject data = dataOf(document);
        QCOMPARE(members(data.value("TAVInteractInfo").toArray(), { "interactID" }), QStringList({ "1", "4", "5" }));
        QCOMPARE(members(data.value("TAVExamInfo").toArray(), { "examID" }), QStringList({ "1", "3" }));
        QCOMPARE(data.value("TAVSignInfo").toObject().value("signID").toInt(), 2);
        const QString offLine = data.value("TAVClassRecord").toObject().value("offLineTime").toString();
        QCOMPARE(document, treeDocument(lesson, offLine));

        upload(lesson, Mark);

        QCOMPARE(tableRows(), stored);
        QCOMPARE(rows(pendingResults), resultsNotSent);
        QCOMPARE(rows("TAV_InteractInfo where status = 0"), 2);
        QCOMPARE(rows("TAV_SignInfo where status = 1"), 1);
        QCOMPARE(rows("TAV_SignStuInfo where status = 1 and signID = 2"), kTexts.size());
        QCOMPARE(rows("TAV_ExamInfo where status = 0"), 0);
    }

    // A caller may still hold its document when the next one is made (the upload thread keeps its own until the
    // next cycle); the next is then written elsewhere.
    void documentHeldByACallerStaysAsItWas()
    {
        const Lesson lesson = makeLesson({ 3, 1, 2, 1, 2 });
        const QString held = upload(lesson.recordID);
        const QString copy(held.constData(), held.size());
        addInteraction(lesson.recordID, "D", true);
        const QString next = upload(lesson.recordID);
        QCOMPARE(held, copy);
        QCOMPARE(dataOf(next).value("TAVInteractInfo").toArray().size(), 3);
    }

    void onlyPendingRowsAreSentAgain()
    {
        const Lesson lesson = makeLesson(Shape());
        QVERIFY(!upload(lesson.recordID, Mark).isEmpty());
        QVERIFY(upload(lesson.recordID).isEmpty());
        const QJsonObject forced = dataOf(upload(lesson.recordID, Keep, true));
        QCOMPARE(forced.value("TAVClassRecord").toObject().value("loaclRecordID").toInt(), lesson.recordID);
        QCOMPARE(forced.value("TAVSignInfo").toObject(), QJsonObject());
        QCOMPARE(forced.value("TAVInteractInfo").toArray().size() + forced.value("TAVExamInfo").toArray().size(), 0);

        const int later = addInteraction(lesson.recordID, "B", true);
        const QJsonArray interactions = dataOf(upload(lesson.recordID)).value("TAVInteractInfo").toArray();
        QCOMPARE(interactions.size(), 1);
        QCOMPARE(interactions.at(0).toObject().value("interactID").toInt(), later);
    }

    void interactionWaitsForItsAnswerAndItsEnd_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<bool>("sent");
        QTest::newRow("right answer set") << "C" << true << true;
        QTest::newRow("chance passed (empty answer)") << "" << true << true;
        QTest::newRow("right answer pending (-1)") << "-1" << true << false;
        QTest::newRow("rush still running") << "1" << false << false;
    }
    void interactionWaitsForItsAnswerAndItsEnd()
    {
        QFETCH(QString, answer);
        QFETCH(bool, ended);
        QFETCH(bool, sent);
        const Lesson lesson = makeLesson({ 0, 0, 0, 0, 0 });
        addInteraction(lesson.recordID, answer, ended);
        const QJsonObject data = dataOf(upload(lesson.recordID, Mark));
        QCOMPARE(data.value("TAVInteractInfo").toArray().size(), sent ? 1 : 0);
        QCOMPARE(rows("TAV_InteractInfo where status = 1"), sent ? 1 : 0);
    }

    void deleteDropsOnlyTheLessonLastRead()
    {
        const int kept = makeLesson({ 3, 2, 2, 2, 2 }, "kept").recordID;
        const QVector<int> stored = tableRows();
        QVERIFY(!upload(kept).isEmpty());
        QVERIFY(upload(kept + 7, Mark | Delete, true).isEmpty()); // an unknown record holds nothing
        QCOMPARE(rows("TAV_ClassRecord where status = 1"), 0);
        QCOMPARE(tableRows(), stored);
        upload(makeLesson(Shape(), "dropped").recordID, Delete);
        QCOMPARE(tableRows(), stored);
    }
};

TAV_DB_TEST_MAIN(TestUpload)
#include "TestUpload.moc"

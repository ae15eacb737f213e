// The lesson-record upload document: what is sent, in which form, and what is marked or dropped after.
#include "DbTestSupport.h"
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDatabase.h"
#include "TAVNetEvent.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TavWebService.h"
#include "Upload.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace LessonFixture;

namespace {

QString value(const QString& sql)
{
    return DbTestSupport::committedValue(sql).toString();
}

QString uploadData(int recordID, bool force)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString data = Upload::getInstance()->getUploadData(db, recordID, force);
    TAVDatabase::getInstance()->closeDbCon(db);
    return data;
}

void markUploaded()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    Upload::getInstance()->updateFinishStatus(db);
    TAVDatabase::getInstance()->closeDbCon(db);
}

QJsonObject dataOf(const QString& document)
{
    return QJsonDocument::fromJson(document.toUtf8()).object().value("data").toObject();
}

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void documentOfAFinishedLesson();
    void onlyPendingRowsAreSentAgain();
    void interactionWaitsForItsAnswerAndItsEnd_data();
    void interactionWaitsForItsAnswerAndItsEnd();
    void onlyTheNewestFinishedSignInIsSent();
    void unknownRecordGivesNothingAndHoldsNothing();
    void deleteLocalRecordDropsOnlyThatLesson();
    void documentReachesTheServiceUnchanged_data();
    void documentReachesTheServiceUnchanged();
    void plainDocumentBodyIsUnchanged();
};

void TestUpload::init()
{
    QVERIFY(DbTestSupport::freshDatabase());
    DbTestSupport::resetTeacherState();
}

void TestUpload::documentOfAFinishedLesson()
{
    Shape shape;
    shape.students = 1;
    const Lesson lesson = makeLesson(shape, "数学-初二(1)班-202409011000");
    QCOMPARE(lesson.recordID, 1);
    const QString document = uploadData(lesson.recordID, false);
    const QString offLine = dataOf(document).value("TAVClassRecord").toObject().value("offLineTime").toString();
    QVERIFY(!offLine.isEmpty());

    const QString uuID = "1" + value("select UUID from TAV_ClassRecord");
    QString expected
        = R"({"data":{"TAVClassRecord":{"classID":101,"classStatus":1,"createDate":"%1","creator":"teacher01",)"
          R"("endTime":"%2","loaclRecordID":1,"offLineTime":"%O","recordName":"数学-初二(1)班-202409011000",)"
          R"("startTime":"%3","stationSn":"RF21X00001","subjectID":1,"uuID":"%U"},)"
          R"("TAVExamInfo":[{"TAVExamStuAnswer":[{"TAVExamStuAnswerPro":[{"answer":"B","answerID":1,"answerTime":"%4",)"
          R"("id":1,"sequence":1}],"answer":"B","answerTime":"%4","dovaneID":"2024080101","examID":1,"id":1,"mcsn":1,)"
          R"("questionID":"1001","sn":1,"structID":1,"subQuestionID":1}],)"
          R"("TAVExamStuInfo":[{"dovaneID":"2024080101","examID":1,"useTime":60}],"endTime":"%5","examID":1,)"
          R"("loaclRecordID":1,"paperID":"P1001","startTime":"%6"}],)"
          R"("TAVInteractInfo":[{"TAVStuResult":[{"createDate":"%7","dovaneID":"2024080101","interactID":1,)"
          R"("offLineTime":"%O","result":"A","stuResultID":1}],"answer":"A","answerType":0,"createDate":"%8",)"
          R"("endTime":"%9","interactID":1,"localRecordID":1,"offLineTime":"%O","startTime":"%8",)"
          R"("stationSn":"RF21X00001","uuID":"%U"}],)"
          R"("TAVSignInfo":{"TAVSignStuInfo":[{"createDate":"%10","dovaneID":"2024080101","offLineTime":"%O",)"
          R"("signID":1,"stuSignID":1}],"createDate":"%11","endTime":"%12","localRecordID":1,"offLineTime":"%O",)"
          R"("signID":1,"startTime":"%11","stationSn":"RF21X00001","uuID":"%U"}}})";
    expected = expected
                   .arg(value("select createDate from TAV_ClassRecord"), value("select endTime from TAV_ClassRecord"),
                        value("select startTime from TAV_ClassRecord"),
                        value("select answerTime from TAV_ExamStuAnswer"), value("select endTime from TAV_ExamInfo"),
                        value("select startTime from TAV_ExamInfo"), value("select createDate from TAV_StuResult"),
                        value("select createDate from TAV_InteractInfo"), value("select endTime from TAV_InteractInfo"))
                   .arg(value("select createDate from TAV_SignStuInfo"), value("select startTime from TAV_SignInfo"),
                        value("select endTime from TAV_SignInfo"));
    expected.replace("%O", offLine).replace("%U", uuID);
    QCOMPARE(document, expected);
}

void TestUpload::onlyPendingRowsAreSentAgain()
{
    const Lesson lesson = makeLesson(Shape());
    QVERIFY(!uploadData(lesson.recordID, false).isEmpty());
    markUploaded();

    QVERIFY(uploadData(lesson.recordID, false).isEmpty());
    const QJsonObject forced = dataOf(uploadData(lesson.recordID, true));
    QCOMPARE(forced.value("TAVClassRecord").toObject().value("loaclRecordID").toInt(), lesson.recordID);
    QCOMPARE(forced.value("TAVSignInfo").toObject(), QJsonObject());
    QVERIFY(forced.value("TAVInteractInfo").toArray().isEmpty());
    QVERIFY(forced.value("TAVExamInfo").toArray().isEmpty());

    // A later interaction of the same open lesson goes alone, with its results.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    InteractInfoRow row;
    row.localRecordID = lesson.recordID;
    row.answer = "B";
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row);
    TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    TAVDatabase::getInstance()->closeDbCon(db);
    const QJsonArray interactions = dataOf(uploadData(lesson.recordID, false)).value("TAVInteractInfo").toArray();
    QCOMPARE(interactions.size(), 1);
    QCOMPARE(interactions.at(0).toObject().value("interactID").toInt(), row.interactID);
}

void TestUpload::interactionWaitsForItsAnswerAndItsEnd_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("sent");
    QTest::newRow("right answer set") << "C" << true << true;
    QTest::newRow("chance passed (empty answer)") << "" << true << true;
    QTest::newRow("right answer pending (-1)") << "-1" << true << false;
    QTest::newRow("rush still running") << "1" << false << false;
}

void TestUpload::interactionWaitsForItsAnswerAndItsEnd()
{
    QFETCH(QString, answer);
    QFETCH(bool, ended);
    QFETCH(bool, sent);
    Shape shape;
    shape.interactions = 0;
    shape.signIns = 0;
    shape.quizzes = 0;
    const Lesson lesson = makeLesson(shape);
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    InteractInfoRow row;
    row.localRecordID = lesson.recordID;
    row.answer = answer;
    TAV_InteractInfo::getInstance()->insertInteractInfo(db, &row);
    if (ended)
        TAV_InteractInfo::getInstance()->closeOpenInteractions(db);
    TAVDatabase::getInstance()->closeDbCon(db);

    const QJsonObject data = dataOf(uploadData(lesson.recordID, false));
    QCOMPARE(data.value("TAVInteractInfo").toArray().size(), sent ? 1 : 0);
    markUploaded();
    QCOMPARE(DbTestSupport::committedValue("select status from TAV_InteractInfo").toInt(), sent ? 1 : 0);
}

void TestUpload::onlyTheNewestFinishedSignInIsSent()
{
    Shape shape;
    shape.signIns = 2;
    const Lesson lesson = makeLesson(shape);
    // A third sign-in is running: started, not stopped.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_SignInfo::getInstance()->insertSignInfo(db, "RF21X00001");
    TAVDatabase::getInstance()->closeDbCon(db);

    const QJsonObject sign = dataOf(uploadData(lesson.recordID, false)).value("TAVSignInfo").toObject();
    QCOMPARE(sign.value("signID").toInt(), lesson.signIDs.last());
    QCOMPARE(sign.value("TAVSignStuInfo").toArray().size(), 2);
    markUploaded();
    QCOMPARE(dataOf(uploadData(lesson.recordID, true)).value("TAVSignInfo").toObject(), QJsonObject());
}

void TestUpload::unknownRecordGivesNothingAndHoldsNothing()
{
    const Lesson lesson = makeLesson(Shape(), "lesson");
    QVERIFY(!uploadData(lesson.recordID, false).isEmpty());
    QVERIFY(uploadData(lesson.recordID + 7, true).isEmpty());
    markUploaded();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    Upload::getInstance()->deleteLocalRecord(db);
    TAVDatabase::getInstance()->closeDbCon(db);
    QCOMPARE(DbTestSupport::committedValue("select status from TAV_ClassRecord").toInt(), 0);
    QVERIFY(lessonRows(lesson.recordID) > 0);
}

void TestUpload::deleteLocalRecordDropsOnlyThatLesson()
{
    const Lesson first = makeLesson(Shape(), "first");
    const Lesson second = makeLesson(Shape(), "second");
    const int secondRows = lessonRows(second.recordID);
    QCOMPARE(lessonRows(first.recordID), secondRows);
    uploadData(first.recordID, false);
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    Upload::getInstance()->deleteLocalRecord(db);
    TAVDatabase::getInstance()->closeDbCon(db);
    QCOMPARE(lessonRows(first.recordID), 0);
    QCOMPARE(lessonRows(second.recordID), secondRows);
}

void TestUpload::documentReachesTheServiceUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "数学-初二(1)班-202409011000";
    QTest::newRow("plus") << "a+b";
    QTest::newRow("ampersand") << "Q&A";
    QTest::newRow("percent") << "100%";
    QTest::newRow("escape lookalike") << "x%2By%26z%25";
    QTest::newRow("mixed first 50") << "&&&+++%%%";
}

void TestUpload::documentReachesTheServiceUnchanged()
{
    QFETCH(QString, name);
    TavWebService service;
    QVERIFY(service.start());
    QVERIFY(NetTestSupport::useServer("127.0.0.1", service.port()));
    const Lesson lesson = makeLesson(Shape(), name);
    const QString document = uploadData(lesson.recordID, true);
    QVERIFY(document.contains(name));
    QByteArray reply;
    QCOMPARE(TAVNetEvent::getInstance()->post(Upload::kPath, Upload::requestBody(document, "1"), 2000, reply), 200);
    QVERIFY(reply.contains("\"success\":true"));
    QCOMPARE(service.uploadedDocuments().size(), 1);
    QCOMPARE(service.uploadedDocuments().first().recordResult, document);
    QCOMPARE(service.uploadedDocuments().first().flag, QString("1"));
}

void TestUpload::plainDocumentBodyIsUnchanged()
{
    const QString document = R"({"data":{"TAVClassRecord":{"recordName":"plain name, no specials"}}})";
    const QString sign = NetTestSupport::md5("recordResult=" + document.left(50) + "&7e3a90c41bd8f25a06c9e1b47d2f8a53");
    QCOMPARE(Upload::requestBody(document, "0"), ("recordResult=" + document + "&flag=0&sign=" + sign).toUtf8());
    QCOMPARE(Upload::encodeFormValue("%&+"), QString("%25%26%2B"));
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestUpload test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestUpload.moc"

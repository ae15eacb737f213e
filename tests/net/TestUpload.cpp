// The lesson-record upload document: what is sent, in which form, and what is marked or dropped after.
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDatabase.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TavWebService.h"
#include "Upload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace LessonFixture;

namespace {

QString value(const QString& sql)
{
    return DbTestSupport::committedValue(sql).toString();
}

QString uploadData(int recordID, bool force = false)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString data = Upload::getInstance()->getUploadData(db, recordID, force);
    TAVDatabase::getInstance()->closeDbCon(db);
    return data;
}

// updateFinishStatus or deleteLocalRecord, as after a confirmed upload.
void confirm(void (Upload::*step)(QSqlDatabase))
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    (Upload::getInstance()->*step)(db);
    TAVDatabase::getInstance()->closeDbCon(db);
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

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(DbTestSupport::freshDatabase()); }

    void documentOfAFinishedLesson()
    {
        const Lesson lesson = makeLesson({ 1, 1, 1, 1, 1 }, "数学-初二(1)班-202409011000");
        QCOMPARE(lesson.recordID, 1);
        const QString document = uploadData(lesson.recordID);
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
              R"("signID":1,"stuSignID":1}],"createDate":"%4","endTime":"%5","localRecordID":1,"offLineTime":"%O",)"
              R"("signID":1,"startTime":"%4","stationSn":"RF21X00001","uuID":"%U"}}})";
        expected
            = expected.arg(value("select startTime from TAV_ClassRecord"), value("select endTime from TAV_ClassRecord"),
                           value("select endTime from TAV_InteractInfo"), value("select startTime from TAV_SignInfo"),
                           value("select endTime from TAV_SignInfo"));
        const QString uuID = "1" + value("select UUID from TAV_ClassRecord");
        QCOMPARE(document, expected.replace("%O", offLine).replace("%T", kTime).replace("%U", uuID));
    }

    void plainDocumentBodyIsUnchanged()
    {
        const QString document = R"({"data":{"TAVClassRecord":{"recordName":"plain name, no specials"}}})";
        const QString sign
            = TavWebService::md5Hex("recordResult=" + document.left(50) + "&" + TavWebService::signKey());
        QCOMPARE(Upload::requestBody(document, "0"), ("recordResult=" + document + "&flag=0&sign=" + sign).toUtf8());
    }

    void onlyPendingRowsAreSentAgain()
    {
        const Lesson lesson = makeLesson(Shape());
        QVERIFY(!uploadData(lesson.recordID).isEmpty());
        confirm(&Upload::updateFinishStatus);
        QVERIFY(uploadData(lesson.recordID).isEmpty());
        const QJsonObject forced = dataOf(uploadData(lesson.recordID, true));
        QCOMPARE(forced.value("TAVClassRecord").toObject().value("loaclRecordID").toInt(), lesson.recordID);
        QCOMPARE(forced.value("TAVSignInfo").toObject(), QJsonObject());
        QCOMPARE(forced.value("TAVInteractInfo").toArray().size() + forced.value("TAVExamInfo").toArray().size(), 0);

        const int later = addInteraction(lesson.recordID, "B", true);
        const QJsonArray interactions = dataOf(uploadData(lesson.recordID)).value("TAVInteractInfo").toArray();
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
        const QJsonObject data = dataOf(uploadData(lesson.recordID));
        confirm(&Upload::updateFinishStatus);
        QCOMPARE(data.value("TAVInteractInfo").toArray().size(), sent ? 1 : 0);
        QCOMPARE(rows("TAV_InteractInfo where status = 1"), sent ? 1 : 0);
    }

    void onlyTheNewestFinishedSignInIsSent()
    {
        const Lesson lesson = makeLesson({ 2, 2, 1, 1, 1 });
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        TAV_SignInfo::getInstance()->insertSignInfo(db, "RF21X00001"); // still running
        TAVDatabase::getInstance()->closeDbCon(db);

        const QJsonObject sign = dataOf(uploadData(lesson.recordID)).value("TAVSignInfo").toObject();
        confirm(&Upload::updateFinishStatus);
        QCOMPARE(sign.value("signID").toInt(), lesson.signIDs.last());
        QCOMPARE(sign.value("TAVSignStuInfo").toArray().size(), 2);
        QCOMPARE(dataOf(uploadData(lesson.recordID, true)).value("TAVSignInfo").toObject(), QJsonObject());
    }

    void unknownRecordHoldsNothing()
    {
        const Lesson lesson = makeLesson(Shape(), "lesson");
        QVERIFY(!uploadData(lesson.recordID).isEmpty());
        QVERIFY(uploadData(lesson.recordID + 7, true).isEmpty());
        const QVector<int> stored = tableRows();
        confirm(&Upload::updateFinishStatus);
        confirm(&Upload::deleteLocalRecord);
        QCOMPARE(rows("TAV_ClassRecord where status = 1"), 0);
        QCOMPARE(tableRows(), stored);
    }

    void deleteLocalRecordDropsOnlyThatLesson()
    {
        makeLesson({ 3, 2, 2, 2, 2 }, "kept");
        const QVector<int> kept = tableRows();
        uploadData(makeLesson(Shape(), "dropped").recordID);
        confirm(&Upload::deleteLocalRecord);
        QCOMPARE(tableRows(), kept);
    }
};

TAV_DB_TEST_MAIN(TestUpload)
#include "TestUpload.moc"

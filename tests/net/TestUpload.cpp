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

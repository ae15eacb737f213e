#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TAV_SignInfo.h"
#include "TAV_SignStuInfo.h"
#include "TAV_StuResult.h"
#include "TAV_StuSortInfo.h"
#include "TAV_StudentInfo.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QtTest>

using namespace DbTestSupport;

// Lesson records, interactions with their results, sign-ins and seats: the rows the upload relies on.
class TestTavLessonTables : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openedLessonIsCurrentBeforeGiveBack();
    void newestOpenLessonIsCurrent();
    void endingLessonClearsCurrentRecord_data();
    void endingLessonClearsCurrentRecord();
    void selectFirstGivesOldestWhateverItsState();
    void newInteractionClosesOpenOnes();
    void pendingAnswerWaitsForUpload_data();
    void pendingAnswerWaitsForUpload();
    void clearPendingAnswersTouchesOnlyMinusOneOfTheLesson();
    void resultsAreMarkedAndDeleted();
    void failedInteractionInsertWritesNoResults();
    void newestFinishedSignInIsOffered();
    void signedStudentsKeepTheirTimes();
    void failedSignInInsertStopsItsStudents();
    void seatsOfClassMembersOnly();

private:
    int openLesson(const QString& creator = QStringLiteral("t1"));
    InteractInfoRow interaction(int record, const QString& answer, int type = 0);
    QSqlDatabase m_db;
};

void TestTavLessonTables::init()
{
    QVERIFY(freshDatabase());
    resetTeacherState();
    TAV_SignInfo::getInstance()->currentSignID = -1;
    m_db = TAVDatabase::getInstance()->getDbCon();
}

void TestTavLessonTables::cleanup()
{
    TAVDatabase::getInstance()->closeDbCon(m_db);
    m_db = QSqlDatabase();
}

int TestTavLessonTables::openLesson(const QString& creator)
{
    ClassRecordRow row;
    row.creator = creator;
    row.classID = 3;
    row.subjectID = 4;
    row.classStatus = true;
    row.stationSn = "R1";
    return TAV_ClassRecord::getInstance()->insertClassRecord(m_db, row);
}

InteractInfoRow TestTavLessonTables::interaction(int record, const QString& answer, int type)
{
    InteractInfoRow row;
    row.localRecordID = record;
    row.answerType = type;
    row.answer = answer;
    row.startTime = row.createDate = "2024-05-06 07:08:09";
    row.stationSn = "R1";
    TAV_InteractInfo::getInstance()->insertInteractInfo(m_db, &row);
    return row;
}

void TestTavLessonTables::openedLessonIsCurrentBeforeGiveBack()
{
    const int id = openLesson();
    QVERIFY(id > 0);
    const ClassRecordRow& current = TAVMemInfo::getInstance()->currentRecord;
    QCOMPARE(current.localRecordID, id);
    QCOMPARE(current.UUID.size(), 38);
    QCOMPARE(current.creator, QString("t1"));
    QVERIFY(current.classStatus);
    QVERIFY(!current.status);
    QVERIFY(!current.startTime.isEmpty());
    QCOMPARE(current.createDate, current.startTime);
    QCOMPARE(current.endTime, QString(""));
    QCOMPARE(committedValue("select count(*) from TAV_ClassRecord").toInt(), 0);
}

void TestTavLessonTables::newestOpenLessonIsCurrent()
{
    TAV_ClassRecord* records = TAV_ClassRecord::getInstance();
    ClassRecordRow row;
    QCOMPARE(records->loadOpenRecord(m_db, &row), -1);
    QCOMPARE(row.localRecordID, -1);
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);

    openLesson("left open");
    const int second = openLesson("new");
    records->insertClassRecord(m_db, ClassRecordRow());
    records->setEndTimeAndName(m_db, second + 1, "ended", QDateTime::currentDateTime());

    QCOMPARE(records->loadOpenRecord(m_db, &row), second);
    QCOMPARE(row.creator, QString("new"));
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.creator, QString("new"));
}

void TestTavLessonTables::endingLessonClearsCurrentRecord_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("existing record") << true;
    QTest::newRow("unknown id") << false;
}

void TestTavLessonTables::endingLessonClearsCurrentRecord()
{
    QFETCH(bool, existing);
    const int id = openLesson();
    const QString name = "Maths-7(1)-O'Brien";
    TAV_ClassRecord::getInstance()->setEndTimeAndName(m_db, existing ? id : id + 50, name,
                                                      QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    QCOMPARE(TAVMemInfo::getInstance()->currentRecord.localRecordID, -1);

    ClassRecordRow row;
    QCOMPARE(TAV_ClassRecord::getInstance()->selectByRecord(m_db, id, &row), 0);
    QCOMPARE(row.recordName, existing ? name : QString());
    QCOMPARE(row.endTime, existing ? QString("2024-01-02 03:04:05") : QString(""));
}

void TestTavLessonTables::selectFirstGivesOldestWhateverItsState()
{
    TAV_ClassRecord* records = TAV_ClassRecord::getInstance();
    ClassRecordRow row;
    row.recordName = "kept";
    QCOMPARE(records->selectFirst(m_db, &row), -1);

    const int first = openLesson();
    openLesson();
    records->setUploaded(m_db, first);
    QCOMPARE(records->selectFirst(m_db, &row), 0);
    QCOMPARE(row.localRecordID, first);
    QVERIFY(row.status);
    QCOMPARE(row.endTime, QString(""));
    QCOMPARE(row.recordName, QString("kept"));

    records->deleteByRecord(m_db, first);
    QCOMPARE(records->selectFirst(m_db, &row), 0);
    QCOMPARE(row.localRecordID, first + 1);
}

void TestTavLessonTables::newInteractionClosesOpenOnes()
{
    TAV_InteractInfo* interactions = TAV_InteractInfo::getInstance();
    QCOMPARE(interactions->selectOpenInteractID(m_db), -1);
    const InteractInfoRow a = interaction(1, "-1");
    QVERIFY(a.interactID > 0);
    QCOMPARE(TAVMemInfo::getInstance()->currentInteractID, a.interactID);
    const InteractInfoRow b = interaction(2, "-1");
    QCOMPARE(interactions->selectOpenInteractID(m_db), b.interactID);

    const QList<InteractInfoRow> lessonOne = interactions->selectByRecord(m_db, 1);
    QCOMPARE(lessonOne.size(), 1);
    QVERIFY(!lessonOne.first().endTime.isEmpty());
    QCOMPARE(interactions->selectByRecord(m_db, 2).first().endTime, QString(""));
    interactions->closeOpenInteractions(m_db);
    QCOMPARE(interactions->selectOpenInteractID(m_db), -1);
}

void TestTavLessonTables::pendingAnswerWaitsForUpload_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("offered");
    QTest::newRow("no right answer yet") << "-1" << false;
    QTest::newRow("marked by the teacher") << "A" << true;
    QTest::newRow("rush") << "1" << true;
    QTest::newRow("random pick (null text)") << QString() << true;
    QTest::newRow("chance passed (empty)") << "" << true;
    QTest::newRow("apostrophe") << "it's" << true;
}

void TestTavLessonTables::pendingAnswerWaitsForUpload()
{
    QFETCH(QString, answer);
    QFETCH(bool, offered);
    const InteractInfoRow row = interaction(8, answer);
    const QList<InteractInfoRow> pending = TAV_InteractInfo::getInstance()->selectNotUploaded(m_db, 8);
    QCOMPARE(pending.size(), offered ? 1 : 0);
    if (offered) {
        QCOMPARE(pending.first().answer, answer.isNull() ? QString("") : answer);
        QCOMPARE(pending.first().startTime, QString("2024-05-06 07:08:09"));
    }
    TAV_InteractInfo::getInstance()->setUploaded(m_db, row.interactID);
    QVERIFY(TAV_InteractInfo::getInstance()->selectNotUploaded(m_db, 8).isEmpty());
    QCOMPARE(TAV_InteractInfo::getInstance()->selectByRecord(m_db, 8).size(), 1);
}

void TestTavLessonTables::clearPendingAnswersTouchesOnlyMinusOneOfTheLesson()
{
    TAV_InteractInfo* interactions = TAV_InteractInfo::getInstance();
    const InteractInfoRow pending = interaction(5, "-1");
    const InteractInfoRow marked = interaction(5, "-1");
    interactions->setAnswer(m_db, marked.interactID, "A");
    interaction(6, "-1");

    interactions->clearPendingAnswers(m_db, 5);
    QStringList answers;
    for (const InteractInfoRow& r : interactions->selectByRecord(m_db, 5))
        answers << r.answer;
    QCOMPARE(answers, QStringList({ "", "A" }));
    QCOMPARE(interactions->selectByRecord(m_db, 6).first().answer, QString("-1"));
    QCOMPARE(interactions->selectNotUploaded(m_db, 5).size(), 2);
    QCOMPARE(interactions->selectNotUploaded(m_db, 5).first().interactID, pending.interactID);
}

void TestTavLessonTables::resultsAreMarkedAndDeleted()
{
    TAV_StuResult* results = TAV_StuResult::getInstance();
    const InteractInfoRow a = interaction(1, "B");
    const InteractInfoRow b = interaction(1, "C");
    for (const char* s : { "s1", "s2" })
        QVERIFY(results->insertStuResult(m_db, { 0, a.interactID, s, "2024-05-06 07:08:10", "B'", false }));
    QVERIFY(results->insertStuResult(m_db, { 0, b.interactID, "s1", "", "", false }));

    const QList<StuResultRow> rows = results->selectNotUploaded(m_db, a.interactID);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first().result, QString("B'"));
    QCOMPARE(rows.first().createDate, QString("2024-05-06 07:08:10"));
    results->setUploaded(m_db, rows.first().stuResultID);
    QCOMPARE(results->selectNotUploaded(m_db, a.interactID).size(), 1);
    QCOMPARE(results->selectByInteract(m_db, a.interactID).size(), 2);

    results->deleteByInteract(m_db, a.interactID);
    TAV_InteractInfo::getInstance()->deleteByInteract(m_db, a.interactID);
    QVERIFY(results->selectByInteract(m_db, a.interactID).isEmpty());
    QCOMPARE(results->selectByInteract(m_db, b.interactID).size(), 1);
    QCOMPARE(TAV_InteractInfo::getInstance()->selectByRecord(m_db, 1).size(), 1);
}

void TestTavLessonTables::failedInteractionInsertWritesNoResults()
{
    const InteractInfoRow earlier = interaction(1, "-1");
    QVERIFY(QSqlQuery(m_db).exec("drop table TAV_InteractInfo"));
    InteractInfoRow row = interaction(1, "-1");
    QCOMPARE(row.interactID, -1);
    QCOMPARE(TAVMemInfo::getInstance()->currentInteractID, earlier.interactID);

    LogCapture log;
    QVERIFY(!TAV_StuResult::getInstance()->insertStuResult(m_db, { 0, row.interactID, "s1", "", "A", false }));
    QCOMPARE(committedValue("select count(*) from TAV_StuResult").toInt(), 0);
    QSqlQuery q(m_db);
    QVERIFY(q.exec("select count(*) from TAV_StuResult") && q.next());
    QCOMPARE(q.value(0).toInt(), 0);
}

void TestTavLessonTables::newestFinishedSignInIsOffered()
{
    TAV_SignInfo* signs = TAV_SignInfo::getInstance();
    QCOMPARE(signs->selectLastSignID(m_db, 1), 0);
    QCOMPARE(signs->selectLastFinished(m_db, 1).signID, -1);
    TAVMemInfo::getInstance()->currentRecord.localRecordID = 1;

    const int older = signs->insertSignInfo(m_db, "R1");
    signs->setEndTime(m_db);
    const int newer = signs->insertSignInfo(m_db, "R1");
    QCOMPARE(signs->selectLastSignID(m_db, 1), newer);
    // A running sign-in has no end time and is not offered.
    QCOMPARE(signs->selectLastFinished(m_db, 1).signID, older);
    signs->setEndTime(m_db);
    const SignInfoRow offered = signs->selectLastFinished(m_db, 1);
    QCOMPARE(offered.signID, newer);
    QCOMPARE(offered.stationSn, QString("R1"));
    QCOMPARE(offered.localRecordID, 1);
    QVERIFY(!offered.endTime.isEmpty());

    // Once the newest one is sent, the older unsent one is not offered either.
    signs->setUploaded(m_db, newer);
    QCOMPARE(signs->selectLastFinished(m_db, 1).signID, -1);
    QCOMPARE(signs->selectByRecord(m_db, 1).size(), 2);
    signs->deleteByRecord(m_db, 1);
    QVERIFY(signs->selectByRecord(m_db, 1).isEmpty());
}

void TestTavLessonTables::signedStudentsKeepTheirTimes()
{
    TAV_SignStuInfo* students = TAV_SignStuInfo::getInstance();
    const int first = TAV_SignInfo::getInstance()->insertSignInfo(m_db, "R1");
    QVERIFY(students->insertSignStuInfoList(m_db, {}));
    const QMap<QString, QString> signedIn { { "s2", "2024-05-06 08:00:01" }, { "s1", "2024-05-06 08:00:00" } };
    QVERIFY(students->insertSignStuInfoList(m_db, signedIn));
    const int second = TAV_SignInfo::getInstance()->insertSignInfo(m_db, "R1");
    QVERIFY(students->insertSignStuInfoList(m_db, { { "s3", "t" } }));

    QCOMPARE(students->selectBySign(m_db, first), signedIn);
    const QList<SignStuInfoRow> pending = students->selectNotUploaded(m_db, first);
    QCOMPARE(pending.size(), 2);
    QCOMPARE(pending.first().dovaneID, QString("s1"));
    QCOMPARE(pending.first().signID, first);

    students->setUploaded(m_db, first);
    QVERIFY(students->selectNotUploaded(m_db, first).isEmpty());
    QCOMPARE(students->selectNotUploaded(m_db, second).size(), 1);
    students->deleteBySign(m_db, first);
    QVERIFY(students->selectBySign(m_db, first).isEmpty());
    QCOMPARE(students->selectBySign(m_db, second).size(), 1);
}

void TestTavLessonTables::failedSignInInsertStopsItsStudents()
{
    TAV_SignInfo* signs = TAV_SignInfo::getInstance();
    LogCapture log;
    QVERIFY(!TAV_SignStuInfo::getInstance()->insertSignStuInfoList(m_db, { { "s1", "t" } }));
    const int earlier = signs->insertSignInfo(m_db, "R1");
    QVERIFY(QSqlQuery(m_db).exec("alter table TAV_SignInfo rename to TAV_SignInfo_gone"));
    QCOMPARE(signs->insertSignInfo(m_db, "R1"), -1);
    QVERIFY(!TAV_SignStuInfo::getInstance()->insertSignStuInfoList(m_db, { { "s1", "t" } }));
    QVERIFY(TAV_SignStuInfo::getInstance()->selectBySign(m_db, earlier).isEmpty());
}

void TestTavLessonTables::seatsOfClassMembersOnly()
{
    TAV_StuSortInfo* seats = TAV_StuSortInfo::getInstance();
    QVERIFY(seats->selectByClass(m_db, 9).isEmpty());
    TAV_StudentInfo::getInstance()->insertStudentInfoList(
        m_db, { { "a", 9, "A", "", "" }, { "b", 9, "B", "", "" }, { "z", 8, "Z", "", "" } });
    QVERIFY(seats->saveSeats(m_db, { { "z", { 0, 0 } } }, 8));
    QVERIFY(seats->saveSeats(m_db, { { "a", { 1, 2 } }, { "b", { 3, 0 } }, { "gone", { 0, 1 } } }, 9));

    const QMap<QString, SeatPos> plan = seats->selectByClass(m_db, 9);
    QCOMPARE(plan.keys(), QStringList({ "a", "b" }));
    QCOMPARE(plan.value("a").row, 1);
    QCOMPARE(plan.value("a").col, 2);
    QCOMPARE(plan.value("b").row, 3);

    {
        // The student id is the key of the whole table: a seat under another class is refused.
        LogCapture log;
        QVERIFY(!seats->saveSeats(m_db, { { "z", { 1, 1 } } }, 9));
        QVERIFY(log.contains("****database error: "));
    }
    QVERIFY(seats->saveSeats(m_db, {}, 9));
    QVERIFY(seats->selectByClass(m_db, 9).isEmpty());
    seats->deleteByClass(m_db, 8);
    QVERIFY(seats->selectByClass(m_db, 8).isEmpty());
}

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QCoreApplication app(c, v);
        TestTavLessonTables test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTavLessonTables.moc"

#include "FullDisk.h"
#include "InteractTestSupport.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "Upload.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActStore.h"
#include "ZUFreeActWriter.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVInteractSData.h"
#include "ZUToolBarSer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTableWidget>

#include <cstdio>
#include <memory>

using namespace InteractTestSupport;

namespace {

// What an interaction of each kind receives in the child, in steps, and the results stored after each step.
struct Step
{
    QList<QPair<int, QString>> keys;
    QString results;
};

QList<Step> roundOf(const QString& kind)
{
    if (kind == "answering") // keypad 2 changes its mind, once before and once after its first answer is stored
        return { { { { 1, "A" }, { 2, "A" }, { 2, "B" }, { 4, "Rush" } }, "D01:A D02:B" },
                 { { { 2, "C" }, { 3, "A" } }, "D01:A D02:C D03:A" } };
    return { { { { 3, "Rush" } }, "D03:1" }, { { { 1, "Rush" }, { 3, "Rush" } }, "D01:0 D03:1" } };
}

QString storedResults()
{
    return text("select group_concat(r, ' ') from (select dovaneID || ':' || result as r from TAV_StuResult "
                "order by dovaneID)");
}

// Child: opens the database, takes the lesson the parent opened and starts an interaction of the kind on it.
bool startRoundOnTheOpenLesson(const QString& kind)
{
    if (!TAVDatabase::getInstance()->openLocalDb())
        return false;
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow record;
    TAV_ClassRecord::getInstance()->loadOpenRecord(db, &record);
    TAVDatabase::getInstance()->closeDbCon(db);
    TAVMemInfo::getInstance()->configMap = { { "TimeLimit", "100" } };
    useClass(5);
    ZUFreeActBar::getInstance()->setFreeState(ZUFreeActSer::Menu);
    if (kind == "answering")
        ZUFreeActBar_left::getInstance()->startSingle();
    else
        ZUFreeActBar_left_rush::getInstance()->launchRush();
    return true;
}

// Child: runs an interaction of the kind on the lesson the parent opened, takes the keypad messages, and
// once they are in the file (or after a while without) waits to be killed.
int interruptedRound(const QString& kind)
{
    if (!startRoundOnTheOpenLesson(kind))
        return 2;
    // Paused, the round cannot end by itself before the kill (a rush ends three seconds after its winner).
    if (kind == "rush")
        ZUFreeActBar_left_rush::getInstance()->on_pause_clicked();
    bool stored = true;
    for (const Step& step : roundOf(kind)) {
        for (const auto& key : step.keys)
            emit ZUHdManager::getInstance()->sendStudentData(StudentInfo { key.first, 1, 0, key.second });
        stored = stored && QTest::qWaitFor([&step] { return storedResults() == step.results; }, kEventBoundMs);
    }
    std::puts(stored ? "ready" : "ready, answers not stored");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

// Child: starts an interaction of the kind, takes one press and hands it on, then stops taking events, as a
// program that has hung or is being killed does; waits to be killed.
int cutOffAfterFirstPress(const QString& kind)
{
    if (!startRoundOnTheOpenLesson(kind))
        return 2;
    emit ZUHdManager::getInstance()->sendStudentData(StudentInfo { 3, 1, 0, kind == "answering" ? "B" : "Rush" });
    QCoreApplication::processEvents();
    std::puts("pressed");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

QString resultsIn(const QJsonObject& interaction)
{
    QStringList results;
    for (const QJsonValue& r : interaction.value("TAVStuResult").toArray())
        results << r.toObject().value("dovaneID").toString() + ":" + r.toObject().value("result").toString();
    results.sort();
    return results.join(' ');
}

// The interactions of the lesson's upload document as it stands.
QJsonArray interactionsToUpload(int record)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString document = Upload::getInstance()->getUploadData(db, record, true);
    TAVDatabase::getInstance()->closeDbCon(db);
    return QJsonDocument::fromJson(document.toUtf8())
        .object()
        .value("data")
        .toObject()
        .value("TAVInteractInfo")
        .toArray();
}

// The same once the lesson is closed.
QJsonArray uploadedAfterTheLesson(int record)
{
    ZUToolBarSer::getInstance()->closeClassRecord(record, "lesson", QDateTime::currentDateTime());
    return interactionsToUpload(record);
}

int openLesson()
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow lesson;
    lesson.creator = "teacher01";
    TAV_ClassRecord::getInstance()->insertClassRecord(db, lesson);
    TAVDatabase::getInstance()->closeDbCon(db);
    return TAVMemInfo::getInstance()->currentRecord.localRecordID;
}

StuResultRow answer(int interactID, int student, const QString& result)
{
    return {
        0, interactID, QString("D%1").arg(student, 2, 10, QLatin1Char('0')), "2026-01-05 08:01:00", result, false
    };
}

int rowsOf(int interactID)
{
    return count("select count(*) from TAV_StuResult where interactID = ?", { interactID });
}

// Whether the interaction's end is in the file.
bool ended(int interactID)
{
    return count("select count(*) from TAV_InteractInfo where interactID = ? and endTime is not null", { interactID })
        == 1;
}

// Students with more than one result in the interaction.
int doubledStudents(int interactID)
{
    return count("select count(*) from (select dovaneID from TAV_StuResult where interactID = ? group by dovaneID "
                 "having count(*) > 1)",
                 { interactID });
}

} // namespace

// What the free interactions leave in the database: an interaction cut off by a crash keeps the answers that
// had arrived (the upload and the report show them once the lesson's end closes it), one that could not be
// stored is reported and leaves nothing, and an unmarked right answer does not hold back the upload.
class TestZUFreeActStore : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void initTestCase();
    void init();
    void cleanup();
    void interruptedInteractionKeepsItsAnswers_data();
    void interruptedInteractionKeepsItsAnswers();
    void firstPressIsKeptAtOnce_data();
    void firstPressIsKeptAtOnce();
    void answersAreKeptWhileAnotherProgramHoldsTheFile();
    void failedKeepIsToldOnceWithoutABox();
    void noStudentHasTwoResultsAfterAFailedKeep();
    void failedEndUploadsNothing_data();
    void failedEndUploadsNothing();
    void answerAfterTheEndIsNotKept();
    void failedStoreIsReportedAndLeavesNothing_data();
    void failedStoreIsReportedAndLeavesNothing();
    void unmarkedAnswerIsClearedByTheNextRound_data();
    void unmarkedAnswerIsClearedByTheNextRound();
    void roundsStoppedWhileAnotherProgramHoldsTheFileAreKeptWhole();
    void quitWhileTheFileIsHeldIsBoundedAndNeverUploadsTheRound();
    void roundStartedOnAFullDiskOpensNoBox();
    void lessonEndedWhileARoundIsBeingWrittenWaitsForIt_data();
    void lessonEndedWhileARoundIsBeingWrittenWaitsForIt();
};

void TestZUFreeActStore::initTestCase()
{
    ZUTAVInteractSData::getInstance(); // the report window exists before the test looks at it
}

void TestZUFreeActStore::init()
{
    ZUTAVAutoMsg::getInstance()->hide();
}

// Nothing of a case is left with the writer for the next one's file, whose ids start again at 1.
void TestZUFreeActStore::cleanup()
{
    // What a quit could not write stays with the writer until a file opened anew takes over.
    ZUFreeActWriter::getInstance()->stop();
    QFile::remove(TAVDatabase::databasePath() + ".unended");
}

void TestZUFreeActStore::interruptedInteractionKeepsItsAnswers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("answerType");
    QTest::addColumn<QString>("answer"); // uploaded, once the lesson has ended
    QTest::addColumn<QStringList>("reportRow");

    QTest::newRow("answering") << "answering" << 0 << "" << QStringList { "  1", "  单项选择", "  3", "  --", "  2" };
    QTest::newRow("rush") << "rush" << 3 << "1" << QStringList { "  1", "  抢答", "  2", "  1", "  3" };
}

void TestZUFreeActStore::interruptedInteractionKeepsItsAnswers()
{
    QFETCH(QString, kind);
    QVERIFY(freshLesson());
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    ClassRecordRow lesson;
    lesson.creator = "teacher01";
    TAV_ClassRecord::getInstance()->insertClassRecord(db, lesson);
    TAVDatabase::getInstance()->closeDbCon(db);
    const int record = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    QVERIFY(record > 0);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--interrupted-round", kind });
    QByteArray out;
    while (!out.contains("ready") && child.waitForReadyRead(2 * kEventBoundMs))
        out += child.readAll();
    QVERIFY2(out.contains("ready"), out.constData());
    child.kill();
    QVERIFY(child.waitForFinished(30000) && child.exitStatus() == QProcess::CrashExit);
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is null"), 1);

    // The lesson is closed, as the next start does with a lesson left open too long.
    ZUToolBarSer::getInstance()->closeClassRecord(record, "crashed", QDateTime::currentDateTime());
    const QJsonArray sent = interactionsToUpload(record);
    QCOMPARE(sent.size(), 1);
    const QJsonObject interaction = sent.first().toObject();
    QFETCH(int, answerType);
    QCOMPARE(interaction.value("answerType").toInt(), answerType);
    QFETCH(QString, answer);
    QCOMPARE(interaction.value("answer").toString(), answer);
    QVERIFY(!interaction.value("endTime").toString().isEmpty());
    QCOMPARE(resultsIn(interaction), roundOf(kind).last().results);

    TAVMemInfo::getInstance()->currentRecord.localRecordID = record;
    ZUTAVInteractSData* report = ZUTAVInteractSData::getInstance();
    report->showReport();
    QStringList row;
    for (int c = 0; c < report->answerTable()->columnCount(); ++c)
        row << report->answerTable()->item(0, c)->text();
    QFETCH(QStringList, reportRow);
    QCOMPARE(row, reportRow);
    report->hide();
}

void TestZUFreeActStore::firstPressIsKeptAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("results");
    // A rush lasts only the winner's press and three seconds: cut off then, it still has its winner.
    QTest::newRow("rush winner") << "rush"
                                 << "D03:1";
    QTest::newRow("first answer") << "answering"
                                  << "D03:B";
}

void TestZUFreeActStore::firstPressIsKeptAtOnce()
{
    QFETCH(QString, kind);
    QVERIFY(freshLesson());
    const int record = openLesson();
    QVERIFY(record > 0);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--cut-off-after-first-press", kind });
    QByteArray out;
    while (!out.contains("pressed") && child.waitForReadyRead(2 * kEventBoundMs))
        out += child.readAll();
    QVERIFY2(out.contains("pressed"), out.constData());
    // The child's interface thread takes no events any more: the press reaches the file without it.
    QTRY_COMPARE_WITH_TIMEOUT(count("select count(*) from TAV_StuResult"), 1, kEventBoundMs);
    child.kill();
    QVERIFY(child.waitForFinished(30000) && child.exitStatus() == QProcess::CrashExit);

    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QFETCH(QString, results);
    QCOMPARE(resultsIn(sent.first().toObject()), results);
}

void TestZUFreeActStore::answersAreKeptWhileAnotherProgramHoldsTheFile()
{
    QVERIFY(freshLesson());
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    {
        InterfaceWatch watch;
        DbTestSupport::FileLock lock;
        QVERIFY(lock.isHeld());
        // Answers come in for a while (a second) as the lock stays, each a few ticks of the interface's clock
        // after the one before.
        for (int student = 1; student <= 5; ++student) {
            ZUFreeActStore::keepResult(answer(row.interactID, student, "A"));
            int ticks = 0;
            QTimer tick;
            connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
            tick.start(InterfaceWatch::kTickMs);
            QTRY_VERIFY_WITH_TIMEOUT(ticks >= 4, kEventBoundMs);
        }
        lock.release();
        QTRY_COMPARE_WITH_TIMEOUT(rowsOf(row.interactID), 5, kEventBoundMs);
        // Far below the five seconds one write waits for the lock.
        QVERIFY2(watch.longestGapMs() < 2500, qPrintable(QString::number(watch.longestGapMs())));
        QCOMPARE(watch.modals(), QStringList());
    }
    QVERIFY(ZUFreeActStore::finishInteraction(row.interactID, {}));
}

void TestZUFreeActStore::failedKeepIsToldOnceWithoutABox()
{
    QVERIFY(freshLesson());
    QVERIFY(openReceiver());
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    bar->showFreeBar();
    bar->onCenterButton(false);
    panel->startSingle();
    QCOMPARE(bar->freeState(), int(ZUFreeActSer::Running));
    const int interactID = panel->interaction().interactID;
    QVERIFY(interactID != -1);

    NoticeWatch notices("提交数据库失败");
    InterfaceWatch watch;
    DbTestSupport::LogCapture log;
    bool pressed = false;
    bool failed = false;
    bool failedAgain = false;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        pressed = press({ { 1, "A" }, { 2, "B" }, { 3, "C" } });
        failed = QTest::qWaitFor([&log] { return log.contains("not kept"); }, kEventBoundMs);
        // More answers come while the writes go on failing.
        log.clear();
        pressed = pressed && press({ { 4, "D" }, { 1, "B" } });
        failedAgain = QTest::qWaitFor([&log] { return log.contains("not kept"); }, kEventBoundMs);
    }
    QVERIFY(pressed);
    QVERIFY(failed && failedAgain);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.modalCount(), 0);
    QCOMPARE(watch.modals(), QStringList());

    // Once the disk has room again, the end stores every answer.
    panel->stopRound();
    QTRY_VERIFY_WITH_TIMEOUT(ended(interactID), kEventBoundMs);
    QCOMPARE(watch.modals(), QStringList());
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.modalCount(), 0);
    QCOMPARE(text("select group_concat(r, ' ') from (select dovaneID || ':' || result as r from TAV_StuResult "
                  "where interactID = ? order by dovaneID)",
                  { interactID }),
             QString("D01:B D02:B D03:C D04:D"));
    bar->onCenterButton(false);
}

void TestZUFreeActStore::noStudentHasTwoResultsAfterAFailedKeep()
{
    QVERIFY(freshLesson());
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    DbTestSupport::LogCapture log;
    // Once a write has failed, the disk gets room again and another answer comes; the notice of the failure,
    // modal or not, stays open until that answer is in the file. The ticks run inside whatever event loop is
    // running then.
    std::unique_ptr<FullDisk> disk(new FullDisk);
    QVERIFY(disk->isFull());
    bool secondKept = false;
    InterfaceWatch watch(
        [&] {
            if (disk && log.contains("not kept")) {
                disk.reset();
                ZUFreeActStore::keepResult(answer(row.interactID, 2, "B"));
            }
            secondKept = secondKept || (!disk && count("select count(*) from TAV_StuResult where dovaneID = 'D02'"));
        },
        [&secondKept] { return secondKept; });
    ZUFreeActStore::keepResult(answer(row.interactID, 1, "A"));
    QTRY_VERIFY_WITH_TIMEOUT(secondKept, kEventBoundMs);
    QVERIFY(ZUFreeActStore::finishInteraction(
        row.interactID,
        { answer(row.interactID, 1, "A"), answer(row.interactID, 2, "B"), answer(row.interactID, 3, "C") }));
    QTRY_VERIFY_WITH_TIMEOUT(ended(row.interactID), kEventBoundMs);
    QCOMPARE(doubledStudents(row.interactID), 0);
    QCOMPARE(rowsOf(row.interactID), 3);
}

void TestZUFreeActStore::failedEndUploadsNothing_data()
{
    QTest::addColumn<bool>("fullDisk"); // else only the last student's result is refused, for a while
    QTest::newRow("a result refused") << false;
    QTest::newRow("full disk") << true;
}

// A round whose end cannot be written yet stays open: the lesson's end and the upload leave it alone, nothing
// of it is sent, and once the file takes it the whole round goes in and up.
void TestZUFreeActStore::failedEndUploadsNothing()
{
    QFETCH(bool, fullDisk);
    QVERIFY(freshLesson());
    const int record = openLesson();
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    const QList<StuResultRow> results
        = { answer(row.interactID, 1, "A"), answer(row.interactID, 2, "B"), answer(row.interactID, 3, "C") };
    ZUFreeActStore::keepResult(results.at(0));
    ZUFreeActStore::keepResult(results.at(1));
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf(row.interactID), 2, kEventBoundMs);

    InterfaceWatch watch;
    DbTestSupport::LogCapture log;
    if (fullDisk) {
        FullDisk disk;
        QVERIFY(disk.isFull());
        QVERIFY(ZUFreeActStore::finishInteraction(row.interactID, results));
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not kept"); }, kEventBoundMs));
        // Reads go on: the round is still open.
        QVERIFY(!ended(row.interactID));
    } else {
        QVERIFY(DbTestSupport::runOutside("create trigger refuse before insert on TAV_StuResult when new.dovaneID = "
                                          "'D03' begin select raise(abort, 'refused'); end"));
        QVERIFY(ZUFreeActStore::finishInteraction(row.interactID, results));
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not kept"); }, kEventBoundMs));
        QCOMPARE(uploadedAfterTheLesson(record).size(), 0);
        QVERIFY(!ended(row.interactID));
        QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(ended(row.interactID), kEventBoundMs);
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:A D02:B D03:C"));
    QCOMPARE(watch.modals(), QStringList());
}

void TestZUFreeActStore::answerAfterTheEndIsNotKept()
{
    QVERIFY(freshLesson());
    InteractInfoRow first = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&first) != -1);
    ZUFreeActStore::keepResult(answer(first.interactID, 1, "A"));
    QVERIFY(ZUFreeActStore::finishInteraction(first.interactID, { answer(first.interactID, 1, "A") }));
    DbTestSupport::LogCapture log;
    ZUFreeActStore::keepResult(answer(first.interactID, 2, "B"));

    // Results are written in the order they come: once the next interaction's is in, the late one would be too.
    InteractInfoRow next = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&next) != -1);
    ZUFreeActStore::keepResult(answer(next.interactID, 3, "C"));
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf(next.interactID), 1, kEventBoundMs);
    QCOMPARE(rowsOf(first.interactID), 1);
    // Not even tried.
    QVERIFY2(!log.contains("not kept"), qPrintable(log.lines().join('\n')));
    QVERIFY(ZUFreeActStore::finishInteraction(next.interactID, { answer(next.interactID, 3, "C") }));
}

void TestZUFreeActStore::failedStoreIsReportedAndLeavesNothing_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<bool>("pick"); // a random pick, else an answering round
    QTest::addColumn<int>("answers");

    const QString noRow = "drop table TAV_InteractInfo";
    const QString refused = "create trigger refuse before insert on TAV_StuResult when new.dovaneID = 'D02' "
                            "begin select raise(abort, 'refused'); end";
    QTest::newRow("round without its row, nobody answered") << noRow << false << 0;
    QTest::newRow("round without its row, three answers") << noRow << false << 3;
    QTest::newRow("round whose second result is refused") << refused << false << 3;
    QTest::newRow("pick without its row") << noRow << true << 0;
    QTest::newRow("pick whose result is refused") << refused << true << 0;
}

void TestZUFreeActStore::failedStoreIsReportedAndLeavesNothing()
{
    QVERIFY(freshLesson());
    QFETCH(QString, breakage);
    QVERIFY(DbTestSupport::runOutside(breakage));
    QFETCH(bool, pick);
    InteractInfoRow row = ZUFreeActStore::newRow(pick ? ZUFreeAnswerSer::Random : ZUFreeAnswerSer::Single, "-1");
    bool stored;
    if (pick) {
        // The pick stays with the writer, never lost, until the file takes it whole.
        ZUFreeActStore::storePick(&row, "D02");
        QCOMPARE(count("select count(*) from TAV_StuResult"), 0);
        if (breakage.startsWith("drop"))
            return;
        QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
        QTRY_COMPARE_WITH_TIMEOUT(count("select count(*) from TAV_StuResult where dovaneID = 'D02'"), 1, kEventBoundMs);
        QCOMPARE(count("select count(*) from TAV_InteractInfo where answerType = 4 and endTime = startTime"), 1);
        return;
    } else {
        ZUFreeActStore::beginInteraction(&row);
        QFETCH(int, answers);
        QList<StuResultRow> results;
        for (int i = 1; i <= answers; ++i)
            results.append({ 0, row.interactID, QString("D%1").arg(i, 2, 10, QLatin1Char('0')), "t", "A", false });
        for (const StuResultRow& result : results)
            ZUFreeActStore::keepResult(result);
        stored = ZUFreeActStore::finishInteraction(row.interactID, results);
        if (row.interactID != -1) {
            // A round with its row waits, open, until every result can go in; nothing of it is sent meanwhile.
            QVERIFY(stored);
            DbTestSupport::LogCapture log;
            QVERIFY(QTest::qWaitFor([&log] { return log.contains("not kept"); }, kEventBoundMs));
            QVERIFY(!ended(row.interactID));
            QCOMPARE(count("select count(*) from TAV_StuResult where dovaneID <> 'D01'"), 0);
            QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
            QTRY_VERIFY_WITH_TIMEOUT(ended(row.interactID), kEventBoundMs);
            QCOMPARE(rowsOf(row.interactID), answers);
            return;
        }
    }
    QVERIFY(!stored);
    QCOMPARE(count("select count(*) from TAV_StuResult"), 0);
    if (!breakage.startsWith("drop"))
        QCOMPARE(count("select count(*) from TAV_InteractInfo"), 0);
}

void TestZUFreeActStore::unmarkedAnswerIsClearedByTheNextRound_data()
{
    QTest::addColumn<int>("nextType");
    QTest::addColumn<QString>("nextAnswer");
    QTest::newRow("next answering round") << int(ZUFreeAnswerSer::Multiple) << "-1";
    QTest::newRow("next rush") << int(ZUFreeAnswerSer::Rush) << "1";
}

void TestZUFreeActStore::unmarkedAnswerIsClearedByTheNextRound()
{
    QVERIFY(freshLesson());
    InteractInfoRow first = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    ZUFreeActStore::beginInteraction(&first);
    QVERIFY(ZUFreeActStore::finishInteraction(first.interactID, { { 0, first.interactID, "D01", "t", "A", false } }));
    QFETCH(int, nextType);
    QFETCH(QString, nextAnswer);
    InteractInfoRow next = ZUFreeActStore::newRow(nextType, nextAnswer);
    ZUFreeActStore::beginInteraction(&next);
    QCOMPARE(text("select answer from TAV_InteractInfo where interactID = ?", { first.interactID }), QString(""));
    QCOMPARE(text("select answer from TAV_InteractInfo where interactID = ?", { next.interactID }), nextAnswer);
    // The first round now waits for nothing: the upload sends it with its result.
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QList<InteractInfoRow> offered = TAV_InteractInfo::getInstance()->selectNotUploaded(db, kRecord);
    TAVDatabase::getInstance()->closeDbCon(db);
    QVERIFY(!offered.isEmpty());
    QCOMPARE(offered.first().interactID, first.interactID);
    ZUFreeActStore::finishInteraction(next.interactID, {});
}

// Another program holds the file longer than any busy time-out while 60 keypads answer: the teacher's stop and
// the next round's start never wait for it, and once it lets go both rounds go in whole and up.
void TestZUFreeActStore::roundsStoppedWhileAnotherProgramHoldsTheFileAreKeptWhole()
{
    QVERIFY(freshLesson(60));
    const int record = openLesson();
    QVERIFY(openReceiver());
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    bar->showFreeBar();
    bar->onCenterButton(false);
    panel->startSingle();
    const int first = panel->interaction().interactID;
    QVERIFY(first != -1);

    QList<QPair<int, QByteArray>> everyone;
    for (int i = 1; i <= 60; ++i)
        everyone.append({ i, QByteArray(1, "ABCD"[i % 4]) });
    qint64 stopMs = 0;
    qint64 startMs = 0;
    InterfaceWatch watch;
    {
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        QVERIFY(press(everyone));
        QElapsedTimer clock;
        clock.start();
        panel->stopRound();
        stopMs = clock.elapsed();
        // The teacher starts the next round at once, and five students answer it.
        clock.restart();
        panel->on_start_clicked();
        startMs = clock.elapsed();
        QCOMPARE(bar->freeState(), int(ZUFreeActSer::Running));
        QVERIFY(press({ { 1, "B" }, { 2, "B" }, { 3, "C" }, { 4, "D" }, { 5, "A" } }));
        clock.restart();
        panel->stopRound();
        stopMs = qMax(stopMs, clock.elapsed());
        // Held past the five seconds one write of the interface waits for a lock.
        QVERIFY(QTest::qWaitFor([&other] { return other.heldMs() > 6000; }, kEventBoundMs));
    }
    QVERIFY2(stopMs < kClickBoundMs && startMs < kClickBoundMs,
             qPrintable(QString("stop %1 ms, start %2 ms").arg(stopMs).arg(startMs)));
    QVERIFY2(watch.longestGapMs() < kStillBoundMs, qPrintable(QString::number(watch.longestGapMs())));
    QCOMPARE(watch.modals(), QStringList());

    QVERIFY(written());
    QCOMPARE(rowsOf(first), 60);
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).toObject().value("TAVStuResult").toArray().size(), 60);
    QCOMPARE(resultsIn(sent.at(1).toObject()), QString("D01:B D02:B D03:C D04:D D05:A"));
    bar->onCenterButton(false);
}

// A quit while another program holds the file waits a bounded time with the screen alive, then says what was
// not kept; the round, open in the file, is never uploaded as one nobody answered, by no later start either.
void TestZUFreeActStore::quitWhileTheFileIsHeldIsBoundedAndNeverUploadsTheRound()
{
    QVERIFY(freshLesson());
    const int record = openLesson();
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    const QList<StuResultRow> results
        = { answer(row.interactID, 1, "A"), answer(row.interactID, 2, "B"), answer(row.interactID, 3, "C") };
    bool written = true;
    qint64 quitMs = 0;
    InterfaceWatch watch;
    DbTestSupport::LogCapture log;
    {
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        for (const StuResultRow& result : results)
            ZUFreeActStore::keepResult(result);
        ZUFreeActStore::finishInteraction(row.interactID, results);
        QElapsedTimer clock;
        clock.start();
        written = ZUFreeActStore::finishAtQuit();
        quitMs = clock.elapsed();
    }
    QVERIFY(!written);
    QVERIFY2(quitMs < 3 * ZUFreeActWriter::kStopMs, qPrintable(QString::number(quitMs)));
    QVERIFY2(watch.longestGapMs() < kStillBoundMs, qPrintable(QString::number(watch.longestGapMs())));
    QVERIFY2(log.contains("D01:A") && log.contains("D03:C"), qPrintable(log.lines().join('\n')));

    // The next start: the file opened anew, what the writer held is gone with the program.
    QVERIFY(TAVDatabase::getInstance()->openLocalDb());
    QCOMPARE(uploadedAfterTheLesson(record).size(), 0);
    QVERIFY(!ended(row.interactID));
}

// On a full disk the round starts without a box and the class answers; one notice closes by itself, and the
// round goes in whole once the disk has room.
void TestZUFreeActStore::roundStartedOnAFullDiskOpensNoBox()
{
    QVERIFY(freshLesson());
    const int record = openLesson();
    QVERIFY(openReceiver());
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    bar->showFreeBar();
    NoticeWatch notices("提交数据库失败");
    InterfaceWatch watch;
    bool pressed = false;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        bar->onCenterButton(false);
        panel->startSingle();
        QCOMPARE(bar->freeState(), int(ZUFreeActSer::Running));
        pressed = press({ { 1, "A" }, { 2, "B" } });
        panel->stopRound();
        QCOMPARE(watch.modals(), QStringList());
    }
    QVERIFY(pressed);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.modalCount(), 0);
    QVERIFY(written());
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:A D02:B"));
    QCOMPARE(watch.modals(), QStringList());
    bar->onCenterButton(false);
}

void TestZUFreeActStore::lessonEndedWhileARoundIsBeingWrittenWaitsForIt_data()
{
    QTest::addColumn<bool>("rowAtStart");
    QTest::newRow("round with its row") << true;
    QTest::newRow("round whose row could not be written at its start") << false;
}

// The teacher ends the lesson while the writer still tries a round: the lesson goes neither to the service nor
// out of the file without it, and goes whole once the round is in.
void TestZUFreeActStore::lessonEndedWhileARoundIsBeingWrittenWaitsForIt()
{
    QFETCH(bool, rowAtStart);
    QVERIFY(freshLesson());
    const int record = openLesson();
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    {
        DbTestSupport::FileLock lock;
        if (!rowAtStart)
            QVERIFY(lock.isHeld());
        else
            lock.release();
        ZUFreeActStore::beginInteraction(&row);
    }
    QCOMPARE(row.interactID != -1, rowAtStart);
    QVERIFY(DbTestSupport::runOutside("create trigger refuse before insert on TAV_StuResult when new.dovaneID = "
                                      "'D02' begin select raise(abort, 'refused'); end"));
    const QList<StuResultRow> results = { answer(row.interactID, 1, "A"), answer(row.interactID, 2, "B") };
    for (const StuResultRow& result : results)
        ZUFreeActStore::keepResult(result);
    ZUFreeActStore::finishInteraction(row, results);

    QVERIFY(ZUToolBarSer::getInstance()->closeClassRecord(record, "lesson", QDateTime::currentDateTime()));
    const auto holds = [record] {
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const bool held = TAV_InteractInfo::getInstance()->holdsOpen(db, record);
        TAVDatabase::getInstance()->closeDbCon(db);
        return held;
    };
    QVERIFY(holds());
    {
        DbTestSupport::LogCapture log;
        QVERIFY(!ZUToolBarSer::getInstance()->uploadClassRecord(record));
        QVERIFY(log.contains("waits for a round still being written"));
    }
    QCOMPARE(count("select count(*) from TAV_ClassRecord where endTime is not null"), 1);

    QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
    QTRY_VERIFY_WITH_TIMEOUT(!holds(), kEventBoundMs);
    const QJsonArray sent = interactionsToUpload(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:A D02:B"));
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActStore::cleanupTestCase()
{
    ZUFreeActWriter::getInstance()->stop();
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--hold-file")
            return OtherProgram::holdInChild(QString::fromLatin1(v[2]));
        if (c == 3 && QByteArray(v[1]) == "--interrupted-round")
            return interruptedRound(QString::fromLatin1(v[2]));
        if (c == 3 && QByteArray(v[1]) == "--cut-off-after-first-press")
            return cutOffAfterFirstPress(QString::fromLatin1(v[2]));
        TestZUFreeActStore test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUFreeActStore.moc"

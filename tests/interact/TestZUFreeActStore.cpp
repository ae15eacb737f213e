#include "FullDisk.h"
#include "InteractTestSupport.h"
#include "InterfaceWatch.h"
#include "LessonUploadSupport.h"
#include "NetTestSupport.h"
#include "OtherProgram.h"
#include "SlowFsync.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TavSchema.h"
#include "TavSideRecord.h"
#include "TavWebService.h"
#include "TavWriteBehind.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUFreeActBar_left_rush.h"
#include "ZUFreeActStore.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAnswerListItem.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTAVInteractSData.h"
#include "ZUToolBarSer.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
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

// Child: opens the database, takes the lesson the parent opened (or opens one) and starts an interaction of the
// kind on it for a class of the size.
bool startRoundOnTheOpenLesson(const QString& kind, int students = 5, bool newLesson = false)
{
    if (!TAVDatabase::getInstance()->openLocalDb())
        return false;
    if (newLesson) {
        openLesson();
    } else {
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        ClassRecordRow record;
        TAV_ClassRecord::getInstance()->loadOpenRecord(db, &record);
        TAVDatabase::getInstance()->closeDbCon(db);
    }
    TAVMemInfo::getInstance()->configMap = { { "TimeLimit", "100" }, { "DoNotShowUnAnswer", "0" } };
    useClass(students);
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

void pressKey(int keypad, const QString& key)
{
    emit ZUHdManager::getInstance()->sendStudentData(StudentInfo { keypad, 1, 0, key });
}

// Child: everything the writer holds is recorded beside the file, a write of the kind among it.
bool recordedBesideTheFile(const QString& kind)
{
    return QTest::qWaitFor(
        [&kind] {
            bool found = false;
            for (const TavWriteBehind::Unwritten& left : TavWriteBehind::getInstance()->unwritten()) {
                if (!left.recorded)
                    return false;
                found = found || left.write.kind == kind;
            }
            return found;
        },
        kEventBoundMs);
}

// Child: an answering round on the lesson the parent opened, whose first answers the file takes; then ("ready", a
// line in) the parent holds the file, and, as what says, two more answers come and the teacher stops ("answers"),
// the teacher stops ("end"), or closes the round with a right answer marked ("answer"). Once what the file refused
// is recorded beside it ("recorded"), the child waits to be killed.
int roundUnderLock(const QString& what)
{
    if (!startRoundOnTheOpenLesson("answering"))
        return 2;
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    pressKey(1, "A");
    pressKey(2, "B");
    bool stored = QTest::qWaitFor([] { return storedResults() == "D01:A D02:B"; }, kEventBoundMs);
    if (what == "answer") {
        stored = markRightAnswer("B") && stored;
    }
    std::puts(stored ? "ready" : "ready, answers not stored");
    std::fflush(stdout);
    std::getchar();
    QString kind = TavWriteKinds::RoundEnd;
    if (what == "answers") {
        pressKey(3, "C");
        pressKey(1, "D");
        QCoreApplication::processEvents();
        panel->stopRound();
    } else if (what == "end") {
        panel->stopRound();
    } else {
        ZUFreeActBar::getInstance()->onCenterButton(false); // closes the ended round, the mark with it
        kind = TavWriteKinds::RoundAnswer;
    }
    std::puts(recordedBesideTheFile(kind) ? "recorded" : "not recorded");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

// The right answer a teacher marks in round r of ten, and the answer the class mostly gives.
QString markOf(int round)
{
    return round % 2 ? "B" : "A";
}

// Child, on a laptop's disk: ten answering rounds one after the other on the lesson the parent opened, the right
// answer of each clicked in its list and the next round started at once, with the start button; the last closed
// with the bar's button. Then the lesson is closed and sent to the service at the port. Says how many rounds
// started without their row, how many failure notices came, and whether the lesson was sent.
int tenMarkedRounds(quint16 port)
{
    if (!SlowFsync::active())
        return 3;
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    bar->showFreeBar();
    if (!NetTestSupport::useServer("127.0.0.1", port) || !startRoundOnTheOpenLesson("answering"))
        return 2;
    NoticeWatch notices("提交数据库失败");
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    ZUTAVAnswerList* list = ZUTAVAnswerList::getInstance();
    int withoutRow = 0;
    bool marked = true;
    for (int round = 1; round <= 10 && marked; ++round) {
        if (round > 1)
            marked = clickShown(panel->findChild<QWidget*>("start"))
                && QTest::qWaitFor([bar] { return bar->freeState() == ZUFreeActSer::Running; }, kEventBoundMs);
        withoutRow += panel->interaction().interactID == -1 ? 1 : 0;
        pressKey(1, markOf(round));
        pressKey(2, markOf(round + 1));
        pressKey(3, markOf(round));
        QCoreApplication::processEvents();
        panel->stopRound();
        marked = marked && clickShown(panel->findChild<QWidget*>("stulistBtn"))
            && QTest::qWaitFor([list] { return list->isVisible() && list->rows().size() == 3; }, kEventBoundMs);
        for (ZUTAVAnswerListItem* row : list->rows()) {
            if (marked && row->optionText() == markOf(round))
                marked = clickShown(row);
        }
        marked = marked && QTest::qWaitFor([&] { return list->rightAnswer() == markOf(round); }, kEventBoundMs);
    }
    bar->onCenterButton(false); // closes the last round, its mark with it
    const int record = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    const bool sent = marked && writerIdle()
        && ZUToolBarSer::getInstance()->closeClassRecord(record, "lesson", QDateTime::currentDateTime())
        && ZUToolBarSer::getInstance()->uploadClassRecord(record);
    std::printf("without row %d, notices %d, %s\n", withoutRow, notices.count(),
                sent ? "sent" : (marked ? "not sent" : "not marked"));
    std::fflush(stdout);
    return 0;
}

// Child: the program made the file anew and opened a lesson in it; a round of eight answers is cut off by a crash.
int crashCutRound()
{
    if (!startRoundOnTheOpenLesson("answering", 8, true))
        return 2;
    for (int keypad = 1; keypad <= 8; ++keypad)
        pressKey(keypad, QString(QChar("ABCD"[keypad % 4])));
    const bool stored = QTest::qWaitFor([] { return count("select count(*) from TAV_StuResult") == 8; }, kEventBoundMs);
    std::puts(stored ? "ready" : "ready, answers not stored");
    std::fflush(stdout);
    std::getchar();
    return 0;
}

bool waitForWord(QProcess* child, const QByteArray& word)
{
    QByteArray out;
    while (!out.contains(word) && child->waitForReadyRead(2 * kEventBoundMs))
        out += child->readAll();
    if (!out.contains(word) || out.contains("not " + word) || out.contains(word + ", "))
        qWarning().noquote() << "the child said: " + QString::fromUtf8(out + child->readAllStandardError());
    return out.contains(word) && !out.contains("not " + word) && !out.contains(word + ", ");
}

// Runs this program as a child in the mode, until it says the word.
bool startChild(QProcess* child, const QStringList& arguments, const QByteArray& word)
{
    child->start(QCoreApplication::applicationFilePath(), arguments);
    return waitForWord(child, word);
}

void kill(QProcess* child)
{
    child->kill();
    child->waitForFinished(kEventBoundMs);
}

// A line of the record beside the file, as it writes them.
QByteArray recordLine(const QJsonObject& entry)
{
    const QByteArray json = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    return QCryptographicHash::hash(json, QCryptographicHash::Md5).toHex() + ' ' + json + '\n';
}

// Adds lines at the end of the record's entries, as a hand editing it would.
bool addToRecord(const QByteArray& lines)
{
    QFile file(TavSideRecord::path());
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray all = file.readAll();
    const int room = all.indexOf('\0');
    all = (room == -1 ? all : all.left(room)) + lines;
    return file.resize(0) && file.seek(0) && file.write(all) == all.size();
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
    void roundStartedOnAFullDiskOpensNoBox();
    void lessonEndedWhileARoundIsBeingWrittenWaitsForIt_data();
    void lessonEndedWhileARoundIsBeingWrittenWaitsForIt();
    void noticeIsShownOnceAndClosesWhileWritesGoOnFailing();
    void questionInTheNoticeWindowKeepsItsButtons();
    void killWhileTheFileIsHeldLosesNothing_data();
    void killWhileTheFileIsHeldLosesNothing();
    void fileMadeAnewUploadsItsCrashCutRoundWhole();
    void tenMarkedRoundsOnALaptopDiskReachTheServiceWhole();
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
    TavWriteBehind::getInstance()->finish();
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
    const int record = openLesson();
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
    ZUFreeActStore::finishInteraction(row, {});
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
        failed = QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs);
        // More answers come while the writes go on failing.
        log.clear();
        pressed = pressed && press({ { 4, "D" }, { 1, "B" } });
        failedAgain = QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs);
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
            if (disk && log.contains("not in the file for now")) {
                disk.reset();
                ZUFreeActStore::keepResult(answer(row.interactID, 2, "B"));
            }
            secondKept = secondKept || (!disk && count("select count(*) from TAV_StuResult where dovaneID = 'D02'"));
        },
        [&secondKept] { return secondKept; });
    ZUFreeActStore::keepResult(answer(row.interactID, 1, "A"));
    QTRY_VERIFY_WITH_TIMEOUT(secondKept, kEventBoundMs);
    ZUFreeActStore::finishInteraction(
        row, { answer(row.interactID, 1, "A"), answer(row.interactID, 2, "B"), answer(row.interactID, 3, "C") });
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
        ZUFreeActStore::finishInteraction(row, results);
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs));
        // Reads go on: the round is still open.
        QVERIFY(!ended(row.interactID));
    } else {
        QVERIFY(DbTestSupport::runOutside("create trigger refuse before insert on TAV_StuResult when new.dovaneID = "
                                          "'D03' begin select raise(abort, 'refused'); end"));
        ZUFreeActStore::finishInteraction(row, results);
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs));
        QCOMPARE(uploadedAfterTheLesson(record).size(), 0);
        QVERIFY(!ended(row.interactID));
        QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(ended(row.interactID), kEventBoundMs);
    // The writer done with the round: the lesson's end goes in at once rather than after it.
    QVERIFY(writerIdle());
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
    ZUFreeActStore::finishInteraction(first, { answer(first.interactID, 1, "A") });
    DbTestSupport::LogCapture log;
    ZUFreeActStore::keepResult(answer(first.interactID, 2, "B"));

    // Results are written in the order they come: once the next interaction's is in, the late one would be too.
    InteractInfoRow next = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&next) != -1);
    ZUFreeActStore::keepResult(answer(next.interactID, 3, "C"));
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf(next.interactID), 1, kEventBoundMs);
    QCOMPARE(rowsOf(first.interactID), 1);
    // Not even tried.
    QVERIFY2(!log.contains("not in the file for now"), qPrintable(log.lines().join('\n')));
    ZUFreeActStore::finishInteraction(next, { answer(next.interactID, 3, "C") });
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

// Nothing of a round or a pick the file refuses is in it, nor lost: it goes in whole once the file takes it.
void TestZUFreeActStore::failedStoreIsReportedAndLeavesNothing()
{
    QVERIFY(freshLesson());
    QFETCH(QString, breakage);
    QVERIFY(DbTestSupport::runOutside(breakage));
    QFETCH(bool, pick);
    QFETCH(int, answers);
    DbTestSupport::LogCapture log;
    InteractInfoRow row = ZUFreeActStore::newRow(pick ? ZUFreeAnswerSer::Random : ZUFreeAnswerSer::Single, "-1");
    if (pick) {
        ZUFreeActStore::storePick(&row, "D02");
        answers = 1;
    } else {
        ZUFreeActStore::beginInteraction(&row);
        QList<StuResultRow> results;
        for (int i = 1; i <= answers; ++i)
            results.append(answer(row.interactID, i, "A"));
        for (const StuResultRow& result : results)
            ZUFreeActStore::keepResult(result);
        ZUFreeActStore::finishInteraction(row, results);
    }
    QVERIFY(QTest::qWaitFor([&log] { return log.contains("not in the file for now"); }, kEventBoundMs));
    // A round with its row stays open, out of the upload; D01's result went in as it came.
    QCOMPARE(count("select count(*) from TAV_StuResult where dovaneID <> 'D01'"), 0);
    if (row.interactID != -1)
        QVERIFY(!ended(row.interactID));
    QVERIFY(!TavWriteBehind::getInstance()->isIdle());

    const bool dropped = breakage.startsWith("drop");
    QVERIFY(DbTestSupport::runOutside(dropped ? TavSchema::statements().filter("TAV_InteractInfo").first()
                                              : QString("drop trigger refuse")));
    QVERIFY(writerIdle());
    QCOMPARE(count("select count(*) from TAV_InteractInfo where endTime is not null"), 1);
    QCOMPARE(count("select count(*) from TAV_StuResult"), answers);
    if (pick)
        QCOMPARE(count("select count(*) from TAV_InteractInfo where answerType = 4 and endTime = startTime"), 1);
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
    ZUFreeActStore::finishInteraction(first, { { 0, first.interactID, "D01", "t", "A", false } });
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
    ZUFreeActStore::finishInteraction(next, {});
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

    QVERIFY(writerIdle());
    QCOMPARE(rowsOf(first), 60);
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).toObject().value("TAVStuResult").toArray().size(), 60);
    QCOMPARE(resultsIn(sent.at(1).toObject()), QString("D01:B D02:B D03:C D04:D D05:A"));
    bar->onCenterButton(false);
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
    QVERIFY(writerIdle());
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

    // The lesson's end goes to the writer after the round.
    QVERIFY(!ZUToolBarSer::getInstance()->closeClassRecord(record, "lesson", QDateTime::currentDateTime()));
    const auto holds = [record] {
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const bool held = TavWriteBehind::getInstance()->holdsLesson(db, record);
        TAVDatabase::getInstance()->closeDbCon(db);
        return held;
    };
    QVERIFY(holds());
    {
        DbTestSupport::LogCapture log;
        QVERIFY(!ZUToolBarSer::getInstance()->uploadClassRecord(record));
        QVERIFY2(log.contains("is not ended in the database, it is not sent"), qPrintable(log.lines().join('\n')));
    }
    QCOMPARE(count("select count(*) from TAV_ClassRecord where endTime is not null"), 0);

    QVERIFY(DbTestSupport::runOutside("drop trigger refuse"));
    QTRY_VERIFY_WITH_TIMEOUT(!holds(), kEventBoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(count("select count(*) from TAV_ClassRecord where endTime is not null"), 1,
                              kEventBoundMs);
    const QJsonArray sent = interactionsToUpload(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:A D02:B"));
}

void TestZUFreeActStore::noticeIsShownOnceAndClosesWhileWritesGoOnFailing()
{
    QVERIFY(freshLesson());
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    DbTestSupport::LogCapture log;
    bool shown = false;
    QString said;
    bool closedByItself = false;
    int failuresSinceClosed = 0;
    bool shownAgain = false;
    bool failedOn = false;
    {
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        ZUFreeActStore::keepResult(answer(row.interactID, 1, "A"));
        shown = QTest::qWaitFor([notice] { return notice->isVisible(); }, kEventBoundMs);
        if (const QLabel* label = notice->findChild<QLabel*>("textLabel"))
            said = label->text();
        // It closes by itself while the writes go on failing, every second, and stays closed for two more of them.
        closedByItself = QTest::qWaitFor([notice] { return !notice->isVisible(); }, kEventBoundMs);
        log.clear();
        failedOn = QTest::qWaitFor(
            [&] {
                shownAgain = shownAgain || notice->isVisible();
                failuresSinceClosed = log.count("not in the file for now");
                return failuresSinceClosed >= 2;
            },
            kEventBoundMs);
    }
    QVERIFY(shown);
    // The cause in the teacher's words, and what to do.
    QVERIFY2(said.contains("提交数据库失败") && said.contains(TavWriteCause::text(TavWriteCause::Busy))
                 && said.contains(TavWriteCause::advice(TavWriteCause::Busy)),
             qPrintable(said));
    QVERIFY(closedByItself);
    QVERIFY(failedOn && failuresSinceClosed >= 2);
    QVERIFY(!shownAgain);
    QVERIFY(writerIdle());
    QCOMPARE(rowsOf(row.interactID), 1);
}

// A question the notice window asks (a quiz's "submit?", say) stays whole when a write fails meanwhile.
void TestZUFreeActStore::questionInTheNoticeWindowKeepsItsButtons()
{
    QVERIFY(freshLesson());
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    QVERIFY(ZUFreeActStore::beginInteraction(&row) != -1);
    ZUTAVAutoMsg* box = ZUTAVAutoMsg::getInstance();
    DbTestSupport::LogCapture log;
    bool failedMeanwhile = false;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        int ticks = 0;
        DialogAnswerer::holdUntil([&] {
            if (ticks == 0)
                ZUFreeActStore::keepResult(answer(row.interactID, 1, "A"));
            // The failure's notice comes as a queued call: a few passes of the question's loop after the log line.
            if (log.contains("not in the file for now"))
                ++ticks;
            failedMeanwhile = ticks > 5;
            return failedMeanwhile;
        });
        DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Confirm);
        box->setTitle("提示");
        box->setContent("是否提交?");
        box->showConfirmButton();
        box->showCancelButton();
        QCOMPARE(box->exec(), int(ZUTAVAutoMsg::Confirm));
    }
    QVERIFY(failedMeanwhile);
    QCOMPARE(DialogAnswerer::failures(), 0);
    QCOMPARE(DialogAnswerer::lastText(), QString("是否提交?"));
    QVERIFY(writerIdle());
    QCOMPARE(rowsOf(row.interactID), 1);
}

void TestZUFreeActStore::killWhileTheFileIsHeldLosesNothing_data()
{
    QTest::addColumn<QString>("what"); // what comes while another program holds the file
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("answer"); // the round's, uploaded
    QTest::newRow("answers and the end") << "answers"
                                         << "D01:D D02:B D03:C"
                                         << "";
    QTest::newRow("only the end") << "end"
                                  << "D01:A D02:B"
                                  << "";
    QTest::newRow("only the right answer") << "answer"
                                           << "D01:A D02:B"
                                           << "B";
}

// Another program holds the file while the writer tries a round's answers, its end or its right answer, and the
// program is killed: the next start writes what the writer had recorded, and the round goes up whole.
void TestZUFreeActStore::killWhileTheFileIsHeldLosesNothing()
{
    QFETCH(QString, what);
    QVERIFY(freshLesson());
    const int record = openLesson();
    QProcess child;
    QVERIFY(startChild(&child, { "--round-under-lock", what }, "ready"));
    {
        DbTestSupport::FileLock lock;
        QVERIFY(lock.isHeld());
        child.write("\n");
        // The child says whether what the file refused is recorded; the next start shows it either way.
        waitForWord(&child, "recorded");
        kill(&child);
    }
    const int round = count("select max(interactID) from TAV_InteractInfo");
    // The next start.
    QVERIFY(TAVDatabase::getInstance()->openLocalDb());
    QVERIFY(writerIdle());
    QVERIFY(ended(round));
    QFETCH(QString, results);
    QCOMPARE(text("select group_concat(r, ' ') from (select dovaneID || ':' || result as r from TAV_StuResult "
                  "where interactID = ? order by dovaneID)",
                  { round }),
             results);
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), results);
    QFETCH(QString, answer);
    QCOMPARE(sent.first().toObject().value("answer").toString(), answer);
    QCOMPARE(TavSideRecord::getInstance()->pendingCount(), 0);
}

// The database file is made anew beside the record of an earlier file, whose lesson and round had the same ids: a
// round of the new file cut off by a crash goes up with its eight answers, whatever the old record, damaged or
// edited by hand, says of its ids.
void TestZUFreeActStore::fileMadeAnewUploadsItsCrashCutRoundWhole()
{
    TavWriteBehind::getInstance()->finish();
    QVERIFY(DbTestSupport::freshDatabase());
    DbTestSupport::resetTeacherState();
    QCOMPARE(openLesson(), 1);
    const QString oldUUID = text("select UUID from TAV_ClassRecord where localRecordID = 1");
    {
        QProcess child;
        QVERIFY(startChild(&child, { "--round-under-lock", "answers" }, "ready"));
        DbTestSupport::FileLock lock;
        QVERIFY(lock.isHeld());
        child.write("\n");
        // The child says whether what the file refused is recorded; the next start shows it either way.
        waitForWord(&child, "recorded");
        kill(&child);
    }
    QCOMPARE(count("select max(interactID) from TAV_InteractInfo"), 1);

    // The program makes the file anew, as it does when it is missing; the record beside it stays.
    TAVDatabase::getInstance()->closeLocalDb();
    QVERIFY(QFile::remove(TAVDatabase::databasePath()));
    QVERIFY(TAVDatabase::getInstance()->createDb());
    {
        QProcess child;
        const bool ready = startChild(&child, { "--crash-cut-round" }, "ready");
        kill(&child);
        QVERIFY(ready);
    }
    QCOMPARE(text("select localRecordID || ' ' || (UUID <> ?) from TAV_ClassRecord", { oldUUID }), QString("1 1"));
    QCOMPARE(count("select max(interactID) from TAV_InteractInfo"), 1);
    // Lines edited by hand: one damaged, one naming the round under the old lesson.
    const QJsonObject edited {
        { "seq", 9000 },
        { "kind", TavWriteKinds::RoundEnd },
        { "lesson", 1 },
        { "uuid", oldUUID },
        { "round", 1 },
        { "ends", true },
        { "data",
          QJsonObject {
              { "endTime", "2026-01-05 08:02:00" },
              { "results",
                QJsonArray { QJsonObject { { "dovaneID", "D01" }, { "result", "X" }, { "createDate", "" } } } } } }
    };
    QVERIFY(addToRecord("0123 {\"kind\": \"roundEnd\", \"round\": 1\n" + recordLine(edited)));

    // The next start, and the lesson's close.
    QVERIFY(TAVDatabase::getInstance()->openLocalDb());
    QVERIFY(writerIdle());
    const QJsonArray sent = uploadedAfterTheLesson(1);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:B D02:C D03:D D04:A D05:B D06:C D07:D D08:A"));
    QCOMPARE(TavSideRecord::getInstance()->pendingCount(), 0);
}

// Every fsync 30 ms slower, the program's own writer writing the last mark as the next round starts: every round
// starts with its row, no failure is told, and the service gets all ten rounds with their right answers.
void TestZUFreeActStore::tenMarkedRoundsOnALaptopDiskReachTheServiceWhole()
{
    TavWebService service;
    QVERIFY(service.start());
    QVERIFY(freshLesson());
    const int record = openLesson();
    QProcess child;
    child.setProcessEnvironment(SlowFsync::environment(30));
    child.start(QCoreApplication::applicationFilePath(), { "--ten-marked-rounds", QString::number(service.port()) });
    QVERIFY(child.waitForFinished(8 * kEventBoundMs));
    const QString said = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    QVERIFY2(child.exitCode() == 0, qPrintable(QString::fromUtf8(child.readAllStandardError().right(3000))));
    QCOMPARE(said, QString("without row 0, notices 0, sent"));

    QCOMPARE(service.uploadedDocuments().size(), 1);
    const QJsonArray rounds = QJsonDocument::fromJson(service.uploadedDocuments().first().recordResult.toUtf8())
                                  .object()
                                  .value("data")
                                  .toObject()
                                  .value("TAVInteractInfo")
                                  .toArray();
    QStringList marks;
    for (const QJsonValue& round : rounds)
        marks << round.toObject().value("answer").toString();
    QCOMPARE(marks, QStringList({ "B", "A", "B", "A", "B", "A", "B", "A", "B", "A" }));
    QCOMPARE(count("select count(*) from TAV_ClassRecord where localRecordID = ?", { record }), 0);
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActStore::cleanupTestCase()
{
    TavWriteBehind::getInstance()->finish();
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
        if (c == 3 && QByteArray(v[1]) == "--round-under-lock")
            return roundUnderLock(QString::fromLatin1(v[2]));
        if (c == 2 && QByteArray(v[1]) == "--crash-cut-round")
            return crashCutRound();
        if (c == 3 && QByteArray(v[1]) == "--ten-marked-rounds")
            return tenMarkedRounds(quint16(QByteArray(v[2]).toUInt()));
        TestZUFreeActStore test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUFreeActStore.moc"

#include "FullDisk.h"
#include "InteractTestSupport.h"
#include "InterfaceWatch.h"
#include "OtherProgram.h"
#include "TAVDatabase.h"
#include "ZUFreeActStore.h"
#include "ZUFreeActWriter.h"
#include "ZUFreeAnswerSer.h"
#include "ZUTAVAutoMsg.h"

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace InteractTestSupport;

namespace {

StuResultRow answer(int interactID, int student, const QString& result)
{
    return {
        0, interactID, QString("D%1").arg(student, 2, 10, QLatin1Char('0')), "2026-01-05 08:01:00", result, false
    };
}

QString resultsOf(int interactID)
{
    return text("select group_concat(r, ' ') from (select dovaneID || ':' || result as r from TAV_StuResult "
                "where interactID = ? order by dovaneID)",
                { interactID });
}

// Waits for the next log line of a failed write.
bool failed(DbTestSupport::LogCapture& log)
{
    const bool seen = QTest::qWaitFor([&log] { return log.contains("not kept for now"); }, kEventBoundMs);
    log.clear();
    return seen;
}

// A write transaction of another connection of this process, taken at once or not at all.
bool othersMayWrite()
{
    bool taken = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-writer");
        db.setDatabaseName(TAVDatabase::databasePath());
        db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
        QSqlQuery q(db);
        taken = db.open() && q.exec("BEGIN IMMEDIATE");
        q.exec("ROLLBACK");
    }
    QSqlDatabase::removeDatabase("other-writer");
    return taken;
}

} // namespace

// The writer thread's edges: what it does while writes fail, and how it stops.
class TestZUFreeActWriter : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void init();
    void cleanup();
    void stopWithWritesThatKeepFailingEndsInBoundedTime();
    void stopWritesWhatWaitsForTheRetry();
    void newerAnswerWinsOverTheOneThatFailed();
    void commitRefusedAsBusyGivesTheLockBack();
    void connectionThatDidNotOpenIsOpenedAgain();
    void noticeIsShownOnceAndClosesWhileWritesGoOnFailing();
    void questionInTheNoticeWindowKeepsItsButtons();

private:
    int m_interactID = -1;
};

void TestZUFreeActWriter::init()
{
    QVERIFY(freshLesson());
    ZUTAVAutoMsg::getInstance()->hide();
    InteractInfoRow row = ZUFreeActStore::newRow(ZUFreeAnswerSer::Single, "-1");
    m_interactID = ZUFreeActStore::beginInteraction(&row);
    QVERIFY(m_interactID != -1);
}

void TestZUFreeActWriter::cleanup()
{
    ZUFreeActWriter::getInstance()->stop();
}

void TestZUFreeActWriter::stopWithWritesThatKeepFailingEndsInBoundedTime()
{
    ZUFreeActWriter* writer = ZUFreeActWriter::getInstance();
    DbTestSupport::LogCapture log;
    bool stopped = true;
    qint64 stopMs = 0;
    InterfaceWatch watch;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        writer->keep(answer(m_interactID, 1, "A"));
        writer->keep(answer(m_interactID, 2, "B"));
        QVERIFY(failed(log));
        QElapsedTimer clock;
        clock.start();
        stopped = writer->stop();
        stopMs = clock.elapsed();
    }
    QVERIFY(!stopped);
    const int bound = ZUFreeActWriter::kStopMs + ZUFreeActWriter::kBusyTimeoutMs + ZUFreeActWriter::kRetryMs;
    QVERIFY2(stopMs <= 10 * bound, qPrintable(QString::number(stopMs)));
    // The screen stayed alive meanwhile.
    QVERIFY2(watch.longestGapMs() < kStillBoundMs, qPrintable(QString::number(watch.longestGapMs())));
    QCOMPARE(writer->unwritten(), QList<int>({ m_interactID }));
    // Nothing was dropped: the next answer takes them along.
    writer->keep(answer(m_interactID, 3, "C"));
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A D02:B D03:C"));
}

void TestZUFreeActWriter::stopWritesWhatWaitsForTheRetry()
{
    ZUFreeActWriter* writer = ZUFreeActWriter::getInstance();
    DbTestSupport::LogCapture log;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        writer->keep(answer(m_interactID, 1, "A"));
        QVERIFY(failed(log));
    }
    // The disk has room again before the next try is due: the stop writes what waits.
    QVERIFY(writer->stop());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A"));
    QVERIFY(writer->unwritten().isEmpty());
}

void TestZUFreeActWriter::newerAnswerWinsOverTheOneThatFailed()
{
    ZUFreeActWriter* writer = ZUFreeActWriter::getInstance();
    DbTestSupport::LogCapture log;
    {
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        writer->keep(answer(m_interactID, 1, "A"));
        writer->keep(answer(m_interactID, 2, "A"));
        // The student changes the answer while the first is being tried, waiting for the lock.
        QVERIFY(
            QTest::qWaitFor([writer] { return !writer->isIdle() && writer->unwritten().isEmpty(); }, kEventBoundMs));
        writer->keep(answer(m_interactID, 1, "C"));
        QVERIFY(failed(log));
    }
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:C D02:A"));
}

void TestZUFreeActWriter::commitRefusedAsBusyGivesTheLockBack()
{
    ZUFreeActWriter* writer = ZUFreeActWriter::getInstance();
    DbTestSupport::LogCapture log;
    bool othersWrote = false;
    {
        // A program reading for longer than the writer's busy time-out: the writer's COMMIT is refused as busy.
        OtherProgram reader(OtherProgram::Read);
        QVERIFY(reader.isHeld());
        writer->keep(answer(m_interactID, 1, "A"));
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not kept for now"); }, kEventBoundMs));
        QVERIFY2(log.contains("database is locked"), qPrintable(log.lines().join('\n')));
        // Until the next try a second later, the writer holds no lock: another write of the program goes in.
        othersWrote = othersMayWrite();
    }
    QVERIFY(othersWrote);
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A"));
}

void TestZUFreeActWriter::connectionThatDidNotOpenIsOpenedAgain()
{
    ZUFreeActWriter* writer = ZUFreeActWriter::getInstance();
    QVERIFY(writer->stop());
    DbTestSupport::LogCapture log;
    {
        // The writer's connection name is taken: its first opening fails.
        QSqlDatabase::addDatabase("QSQLITE", "tavKeep");
        writer->keep(answer(m_interactID, 1, "A"));
        QVERIFY(QTest::qWaitFor([&log] { return log.contains("not kept for now"); }, kEventBoundMs));
        QVERIFY2(log.contains("name is in use"), qPrintable(log.lines().join('\n')));
    }
    QSqlDatabase::removeDatabase("tavKeep");
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A"));
}

void TestZUFreeActWriter::noticeIsShownOnceAndClosesWhileWritesGoOnFailing()
{
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    DbTestSupport::LogCapture log;
    int shown = 0;
    bool closedByItself = false;
    int failuresSinceClosed = 0;
    bool shownAgain = false;
    bool failedOn = false;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        ZUFreeActStore::keepResult(answer(m_interactID, 1, "A"));
        QVERIFY(QTest::qWaitFor([notice] { return notice->isVisible(); }, kEventBoundMs));
        shown = 1;
        // It closes by itself while the writes go on failing, every second, and stays closed for two more of them.
        closedByItself = QTest::qWaitFor([notice] { return !notice->isVisible(); }, kEventBoundMs);
        log.clear();
        failedOn = QTest::qWaitFor(
            [&] {
                shownAgain = shownAgain || notice->isVisible();
                failuresSinceClosed = log.count("not kept for now");
                return failuresSinceClosed >= 2;
            },
            kEventBoundMs);
    }
    QCOMPARE(shown, 1);
    QVERIFY(closedByItself);
    QVERIFY(failedOn && failuresSinceClosed >= 2);
    QVERIFY(!shownAgain);
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A"));
}

// A question the notice window asks (a quiz's "submit?", say) stays whole when a write fails meanwhile.
void TestZUFreeActWriter::questionInTheNoticeWindowKeepsItsButtons()
{
    ZUTAVAutoMsg* box = ZUTAVAutoMsg::getInstance();
    DbTestSupport::LogCapture log;
    bool failedMeanwhile = false;
    {
        FullDisk disk;
        QVERIFY(disk.isFull());
        int ticks = 0;
        DialogAnswerer::holdUntil([&] {
            if (ticks == 0)
                ZUFreeActStore::keepResult(answer(m_interactID, 1, "A"));
            // The failure's notice comes as a queued call: a few passes of the question's loop after the log line.
            if (log.contains("not kept for now"))
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
    QVERIFY(written());
    QCOMPARE(resultsOf(m_interactID), QString("D01:A"));
}

// The writer thread ends with its connection before the test program does.
void TestZUFreeActWriter::cleanupTestCase()
{
    ZUFreeActWriter::getInstance()->stop();
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--hold-file")
            return OtherProgram::holdInChild(QString::fromLatin1(v[2]));
        TestZUFreeActWriter test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestZUFreeActWriter.moc"

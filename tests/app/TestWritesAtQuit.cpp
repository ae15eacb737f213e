#include "FullDisk.h"
#include "InteractTestSupport.h"
#include "InterfaceWatch.h"
#include "LessonUploadSupport.h"
#include "OtherProgram.h"
#include "SlowFsync.h"
#include "TAVDatabase.h"
#include "TAV_ClassRecord.h"
#include "TavSideRecord.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "WritesAtQuit.h"
#include "ZUFreeActBar.h"
#include "ZUFreeActBar_left.h"
#include "ZUTipDlg.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>

#include <cstdio>
#include <memory>

using namespace InteractTestSupport;

namespace {

// A try of the writer's is still under way when the program's end stops waiting for it.
const int kSlowFsyncMs = 3000;

void pressKey(int keypad, const QString& key)
{
    emit ZUHdManager::getInstance()->sendStudentData(StudentInfo { keypad, 1, 0, key });
    QCoreApplication::processEvents();
}

void say(const QByteArray& line)
{
    std::puts(line.constData());
    std::fflush(stdout);
}

// Child: the program on the lesson the parent opened. An answering round runs as the scenario says, the parent
// holding the file from the moment the child says "ready" and is answered a line; then the program quits through
// the application's quit, and the child says what box it showed and how long the quit took.
int quitChild(const QString& scenario)
{
    WritesAtQuit::install(qApp);
    // The slow disk slows the quit: what comes before it goes at the disk's own pace.
    if (scenario == "slow disk" && !SlowFsync::setDelayMs(0))
        return 3;
    if (!TAVDatabase::getInstance()->openLocalDb())
        return 2;
    {
        QSqlDatabase db = TAVDatabase::getInstance()->getReadDbCon();
        ClassRecordRow record;
        TAV_ClassRecord::getInstance()->loadOpenRecord(db, &record);
        TAVDatabase::getInstance()->closeDbCon(db);
    }
    TAVMemInfo::getInstance()->configMap = { { "TimeLimit", "100" }, { "DoNotShowUnAnswer", "0" } };
    useClass(5);
    ZUFreeActBar* bar = ZUFreeActBar::getInstance();
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    bar->setFreeState(ZUFreeActSer::Menu);
    panel->startSingle();
    pressKey(1, "A");
    pressKey(2, "B");
    bool ready = scenario == "whole" || scenario == "nowhere" || writerIdle();
    // On the slow disk the right answer is the last write: a try of it is still under way at the quit.
    const bool marking = scenario == "answer" || scenario == "slow disk";
    if (marking)
        ready = markRightAnswer("B") && ready;
    say(ready ? "ready" : "ready, but the file did not take the first answers");
    std::getchar();

    if (scenario == "slow disk")
        SlowFsync::setDelayMs(kSlowFsyncMs);
    std::unique_ptr<FullDisk> disk;
    if (scenario == "full disk")
        disk = std::make_unique<FullDisk>();
    if (scenario == "answers" || scenario == "full disk" || scenario == "nowhere") {
        pressKey(3, "C");
        pressKey(1, "D");
    }
    if (marking)
        bar->onCenterButton(false); // closes the ended round, the mark with it
    else
        panel->stopRound();

    DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
    QElapsedTimer clock;
    InterfaceWatch watch({}, [] { return false; }); // the box at the end is the program's own
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    clock.start();
    qApp->exec();
    say("quit " + QByteArray::number(clock.elapsed()) + " still " + QByteArray::number(watch.longestGapMs()));
    say("boxes " + QByteArray::number(DialogAnswerer::answeredCount()) + " failures "
        + QByteArray::number(DialogAnswerer::failures()));
    say("title " + DialogAnswerer::lastTitle().toUtf8());
    say("text " + DialogAnswerer::lastText().toUtf8().replace('\n', ' '));
    return 0;
}

// What a child's quit showed.
struct Quit
{
    bool ended = false;
    int boxes = 0;
    int boxFailures = 0;
    QString title;
    QString text;
    qint64 quitMs = -1;
    qint64 stillMs = -1;
    QString log;
};

class QuitChild
{
public:
    explicit QuitChild(const QString& scenario, int fsyncDelayMs = 0)
    {
        if (fsyncDelayMs > 0)
            m_child.setProcessEnvironment(SlowFsync::environment(fsyncDelayMs));
        m_child.start(QCoreApplication::applicationFilePath(), { "--quit-child", scenario });
        QByteArray out;
        while (!out.contains("ready") && m_child.waitForReadyRead(2 * kEventBoundMs))
            out += m_child.readAllStandardOutput();
        m_ready = out.contains("ready") && !out.contains("ready, but");
        if (!m_ready)
            qWarning().noquote() << "the child said: " + QString::fromUtf8(out + m_child.readAllStandardError());
    }
    ~QuitChild()
    {
        m_child.kill();
        m_child.waitForFinished(kEventBoundMs);
    }
    QuitChild(const QuitChild&) = delete;
    QuitChild& operator=(const QuitChild&) = delete;

    bool isReady() const { return m_ready; }

    // Lets the round go on, and waits for the program's end.
    Quit quit()
    {
        Quit quit;
        m_child.write("\n");
        m_child.closeWriteChannel();
        quit.ended = m_child.waitForFinished(4 * kEventBoundMs) && m_child.exitStatus() == QProcess::NormalExit
            && m_child.exitCode() == 0;
        quit.log = QString::fromUtf8(m_child.readAllStandardError());
        for (const QByteArray& line : m_child.readAllStandardOutput().split('\n')) {
            const QString said = QString::fromUtf8(line);
            if (said.startsWith("quit ")) {
                quit.quitMs = said.section(' ', 1, 1).toLongLong();
                quit.stillMs = said.section(' ', 3, 3).toLongLong();
            } else if (said.startsWith("boxes ")) {
                quit.boxes = said.section(' ', 1, 1).toInt();
                quit.boxFailures = said.section(' ', 3, 3).toInt();
            } else if (said.startsWith("title ")) {
                quit.title = said.mid(6);
            } else if (said.startsWith("text ")) {
                quit.text = said.mid(5);
            }
        }
        if (!quit.ended)
            qWarning().noquote() << "the child's end: " + quit.log;
        return quit;
    }

private:
    QProcess m_child;
    bool m_ready = false;
};

// The next start: the file opened anew, what the record beside it holds written.
bool nextStart()
{
    return TAVDatabase::getInstance()->openLocalDb() && writerIdle();
}

const QString kNextStart = QStringLiteral("下次启动时自动写入");

} // namespace

// The program's end while writes wait (another program holds the file, the disk is full or slow): it waits a
// bounded time with the screen alive, says in plain words what was not written and whether the next start writes
// it, and the next start does: a round goes up whole, or, when its writes could be recorded nowhere, not at all.
class TestWritesAtQuit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void wordsFitWhatIsLeft();
    void quitWhileAnotherProgramHoldsTheFileKeepsTheRoundForTheNextStart_data();
    void quitWhileAnotherProgramHoldsTheFileKeepsTheRoundForTheNextStart();
    void quitOnAFullDiskKeepsTheRoundForTheNextStart();
    void quitWithAWriteStillOnASlowDiskCountsItUnwritten();
    void twoFailedQuitsInARowBringBothRoundsBack();
    void roundRecordedNowhereIsToldLostAndNeverUploaded();
};

void TestWritesAtQuit::init()
{
    QVERIFY(freshLesson());
}

void TestWritesAtQuit::cleanup()
{
    QDir(TavSideRecord::path()).removeRecursively();
    TavWriteBehind::getInstance()->finish();
}

void TestWritesAtQuit::wordsFitWhatIsLeft()
{
    TavWriteBehind::setKind("lessonEnd", {}, "课堂记录的结束");
    TavWrite round;
    round.kind = TavWriteKinds::RoundEnd;
    TavWrite lesson;
    lesson.kind = "lessonEnd";
    TavWrite unknown;
    unknown.kind = "somethingElse";

    const WritesAtQuit::Words kept = WritesAtQuit::wordsFor({ { round, true }, { lesson, true } }, TavWriteCause::Busy);
    QCOMPARE(kept.title, QString("提示"));
    QCOMPARE(kept.text,
             QString("数据库文件正被其他程序使用，课堂互动、课堂记录的结束尚未写入数据库，已保存在本机，"
                     "下次启动时自动写入。"));
    const WritesAtQuit::Words mixed
        = WritesAtQuit::wordsFor({ { round, false }, { round, true }, { unknown, true } }, TavWriteCause::Full);
    QCOMPARE(mixed.title, QString("错误"));
    QCOMPARE(mixed.text,
             QString("磁盘已满，课堂互动未能保存，请联系管理员。\n其他课堂数据尚未写入数据库，已保存在本机，"
                     "下次启动时自动写入。"));
    QVERIFY(WritesAtQuit::wordsFor({}, TavWriteCause::None).text.isEmpty());
}

void TestWritesAtQuit::quitWhileAnotherProgramHoldsTheFileKeepsTheRoundForTheNextStart_data()
{
    QTest::addColumn<QString>("scenario"); // what comes while another program holds the file
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

// Of a round whose answers are partly in the file already, none is deleted unsent: the next close sends it whole.
void TestWritesAtQuit::quitWhileAnotherProgramHoldsTheFileKeepsTheRoundForTheNextStart()
{
    QFETCH(QString, scenario);
    const int record = openLesson();
    Quit quit;
    {
        QuitChild child(scenario);
        QVERIFY(child.isReady());
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        quit = child.quit();
    }
    QVERIFY(quit.ended);
    QCOMPARE(quit.boxes, 1);
    QCOMPARE(quit.title, QString("提示"));
    QVERIFY2(quit.text.contains(TavWriteCause::text(TavWriteCause::Busy)) && quit.text.contains("课堂互动")
                 && quit.text.contains(kNextStart),
             qPrintable(quit.text));
    QVERIFY2(quit.log.contains("at the program's end") && quit.log.contains("recorded for the next start"),
             qPrintable(quit.log));
    // Only a hang fails here: the figures are bench-free-answers' to judge.
    QVERIFY2(quit.quitMs >= 0 && quit.quitMs < kEventBoundMs, qPrintable(QString::number(quit.quitMs)));
    QVERIFY2(quit.stillMs < kStillBoundMs, qPrintable(QString::number(quit.stillMs)));

    QVERIFY(nextStart());
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QFETCH(QString, results);
    QCOMPARE(resultsIn(sent.first().toObject()), results);
    QFETCH(QString, answer);
    QCOMPARE(sent.first().toObject().value("answer").toString(), answer);
    QCOMPARE(TavSideRecord::getInstance()->pendingCount(), 0);
}

// The record beside the file takes what the file cannot on a full disk too: into room it held before.
void TestWritesAtQuit::quitOnAFullDiskKeepsTheRoundForTheNextStart()
{
    const int record = openLesson();
    Quit quit;
    {
        QuitChild child("full disk");
        QVERIFY(child.isReady());
        quit = child.quit();
    }
    QVERIFY(quit.ended);
    QCOMPARE(quit.title, QString("提示"));
    QVERIFY2(quit.text.contains(kNextStart), qPrintable(quit.text));
    QVERIFY(nextStart());
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:D D02:B D03:C"));
}

// Every fsync takes three seconds: the right answer, whose write is still under way at the quit, is not counted as
// written, and the next start writes it.
void TestWritesAtQuit::quitWithAWriteStillOnASlowDiskCountsItUnwritten()
{
    const int record = openLesson();
    Quit quit;
    {
        QuitChild child("slow disk", kSlowFsyncMs);
        QVERIFY(child.isReady());
        quit = child.quit();
    }
    QVERIFY(quit.ended);
    QCOMPARE(quit.boxes, 1);
    QVERIFY2(quit.text.contains(kNextStart), qPrintable(quit.text));
    QVERIFY(nextStart());
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(resultsIn(sent.first().toObject()), QString("D01:A D02:B"));
    QCOMPARE(sent.first().toObject().value("answer").toString(), QString("B"));
}

// The record is added to, never written over: two quits in a row, the file held throughout, and both rounds come
// back.
void TestWritesAtQuit::twoFailedQuitsInARowBringBothRoundsBack()
{
    const int record = openLesson();
    Quit first;
    Quit second;
    {
        QuitChild child("end");
        QVERIFY(child.isReady());
        OtherProgram other(OtherProgram::Read);
        QVERIFY(other.isHeld());
        first = child.quit();
        // The next run starts while the file is still held: its round cannot even begin in the file.
        QuitChild next("whole");
        QVERIFY(next.isReady());
        second = next.quit();
    }
    QVERIFY(first.ended && second.ended);
    QVERIFY2(first.text.contains(kNextStart), qPrintable(first.text));
    QVERIFY2(second.text.contains(kNextStart), qPrintable(second.text));
    QVERIFY(nextStart());
    const QJsonArray sent = uploadedAfterTheLesson(record);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(resultsIn(sent.at(0).toObject()), QString("D01:A D02:B"));
    QCOMPARE(resultsIn(sent.at(1).toObject()), QString("D01:A D02:B"));
}

// No room can be had beside the file for a round's writes (here its place is taken by a folder): the round runs
// without its row in the file, and when the file cannot take it at the end either, the teacher is told it is lost;
// nothing of it is ever uploaded short or empty.
void TestWritesAtQuit::roundRecordedNowhereIsToldLostAndNeverUploaded()
{
    const int record = openLesson();
    TavSideRecord::getInstance()->close();
    QFile::remove(TavSideRecord::path());
    QVERIFY(QDir().mkpath(TavSideRecord::path()));
    Quit quit;
    {
        QuitChild child("nowhere");
        QVERIFY(child.isReady());
        OtherProgram other(OtherProgram::Write);
        QVERIFY(other.isHeld());
        quit = child.quit();
    }
    QVERIFY(quit.ended);
    QCOMPARE(quit.title, QString("错误"));
    QVERIFY2(quit.text.contains("课堂互动未能保存，请联系管理员"), qPrintable(quit.text));
    QVERIFY2(quit.log.contains("recorded nowhere"), qPrintable(quit.log));
    QVERIFY(QDir(TavSideRecord::path()).removeRecursively());
    QVERIFY(nextStart());
    QCOMPARE(count("select count(*) from TAV_StuResult"), 0);
    QCOMPARE(uploadedAfterTheLesson(record).size(), 0);
}

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (c == 3 && QByteArray(v[1]) == "--hold-file")
            return OtherProgram::holdInChild(QString::fromLatin1(v[2]));
        if (c == 3 && QByteArray(v[1]) == "--quit-child")
            return quitChild(QString::fromUtf8(v[2]));
        TestWritesAtQuit test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestWritesAtQuit.moc"

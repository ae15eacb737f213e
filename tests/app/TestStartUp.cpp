#include "ProgramDirCopy.h"

#include <QRegularExpression>
#include <QSystemSemaphore>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

const QString kHeader = QStringLiteral("\n\n\n\n ***********Start ZUDUR-U4*************");

// The start-up lines of the subsystems this build's TAV is made of, in their order.
QStringList expectedStartUp()
{
    QStringList lines { kHeader, "verify system semaphore", "setupQssFile", "load ini file", "addLibraryPath" };
#ifdef TAV_STARTS_DB
    lines << "createDb"
          << "set Authority"
          << "openLocalDb";
#endif
#ifdef TAV_STARTS_DEVICE
    lines << "initDevice";
#endif
#ifdef TAV_STARTS_NET
    lines << "load ini file"
          << "start auto thread"
          << "startup";
#endif
    return lines;
}

// The text of every debug line in the log's line format; a line in any other form fails the test.
QStringList debugTexts(const QStringList& lines, bool* wellFormed)
{
    static const QRegularExpression format(
        R"(^(Debug|Warning|Critical|Fatal): File:\(.*\) Line:\(\d+\) (.*) \(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\)$)",
        QRegularExpression::DotMatchesEverythingOption);
    QStringList texts;
    *wellFormed = true;
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = format.match(line);
        if (!match.hasMatch()) {
            *wellFormed = false;
            continue;
        }
        if (match.captured(1) == "Debug") {
            texts << match.captured(2);
        }
    }
    return texts;
}

// The start-up lines of the start that wrote the n-th header (0-based), in their order.
QStringList startUpOf(const ProgramDirCopy& dir, int n)
{
    const QStringList steps = expectedStartUp();
    bool wellFormed = false;
    const QStringList texts = debugTexts(dir.logLines(), &wellFormed);
    QStringList found;
    int headers = -1;
    for (const QString& text : texts) {
        if (text == kHeader) {
            ++headers;
        }
        if (headers == n && steps.contains(text)) {
            found << text;
        }
    }
    return found;
}

// Whether the named semaphore can be taken now: a start that holds it while waiting for its user fails this.
bool semaphoreIsFree(const ProgramDirCopy& dir, const std::function<void()>& unblock)
{
    std::unique_ptr<QSystemSemaphore> semaphore;
    {
        ScopedIpcDir ipc(dir.ipcDir());
        semaphore = std::make_unique<QSystemSemaphore>("TAV", 1, QSystemSemaphore::Open);
    }
    std::atomic<bool> taken { false };
    std::unique_ptr<QThread> taker(QThread::create([&] {
        if (semaphore->acquire()) {
            semaphore->release();
            taken = true;
        }
    }));
    taker->start();
    const bool inTime = QTest::qWaitFor([&taken] { return taken.load(); }, 15000);
    if (!inTime) {
        unblock();
    }
    taker->wait(15000);
    return inTime;
}

} // namespace

// Runs the built TAV in a private copy of the program directory and reads its log.
class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void startUpLogsItsStepsInOrder();
    void secondStartIsRefused();
    void startAfterKillIsNotRefused();

private:
    bool waitForStartUp(const ProgramDirCopy& dir, int n);
};

bool TestStartUp::waitForStartUp(const ProgramDirCopy& dir, int n)
{
    const QStringList expected = expectedStartUp();
    return QTest::qWaitFor([&] { return startUpOf(dir, n).size() >= expected.size(); }, 30000);
}

void TestStartUp::startUpLogsItsStepsInOrder()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* tav = dir.start("TAV");
    QVERIFY(tav->waitForStarted(10000));

    const bool complete = waitForStartUp(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    QVERIFY(complete);
    QCOMPARE(tav->state(), QProcess::Running);

    bool wellFormed = false;
    const QStringList texts = debugTexts(dir.logLines(), &wellFormed);
    QVERIFY(wellFormed);
    QCOMPARE(texts.value(0), kHeader);
    QCOMPARE(texts.value(1), QString("verify system semaphore"));
    QCOMPARE(texts.value(2), QString("setupQssFile"));
}

void TestStartUp::secondStartIsRefused()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = dir.start("TAV");
    QVERIFY(waitForStartUp(dir, 0));

    QProcess* second = dir.start("TAV");
    QVERIFY(QTest::qWaitFor([&] { return startUpOf(dir, 1).size() >= 2; }, 15000));
    // The refused start gives the semaphore back before its message box waits for an answer.
    QVERIFY2(semaphoreIsFree(dir, [second] { second->kill(); }), "the refused start kept the semaphore");
    QCOMPARE(second->state(), QProcess::Running);
    QCOMPARE(startUpOf(dir, 1), QStringList({ kHeader, "verify system semaphore" }));

    // A third start while that box is open is refused too, not blocked.
    QProcess* third = dir.start("TAV");
    QVERIFY(QTest::qWaitFor([&] { return startUpOf(dir, 2).size() >= 2; }, 15000));
    QVERIFY2(semaphoreIsFree(dir, [third] { third->kill(); }), "the third start kept the semaphore");
    QCOMPARE(third->state(), QProcess::Running);
    QCOMPARE(startUpOf(dir, 2), QStringList({ kHeader, "verify system semaphore" }));
    QCOMPARE(startUpOf(dir, 1), QStringList({ kHeader, "verify system semaphore" }));
    QCOMPARE(first->state(), QProcess::Running);
}

void TestStartUp::startAfterKillIsNotRefused()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = dir.start("TAV");
    QVERIFY(waitForStartUp(dir, 0));
    first->kill();
    QVERIFY(first->waitForFinished(10000));
    QCOMPARE(first->exitStatus(), QProcess::CrashExit);

    QProcess* second = dir.start("TAV");
    const bool complete = waitForStartUp(dir, 1);
    QCOMPARE(startUpOf(dir, 1), expectedStartUp());
    QVERIFY(complete);
    QCOMPARE(second->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "TestStartUp.moc"

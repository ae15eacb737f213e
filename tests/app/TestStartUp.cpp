#include "ProgramDirCopy.h"

#include <QtTest>

namespace {

const QString kHeader = QStringLiteral("\n\n\n\n ***********Start ZUDUR-U4*************");
// Level, place, text and time; the header's line ends are part of its text.
const QRegularExpression
    kLine(R"(^(Debug|Warning|Critical|Fatal): File:\(.*\) Line:\(\d+\) (.*) \(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\)$)",
          QRegularExpression::DotMatchesEverythingOption);

// The start-up lines of the subsystems this build's TAV is made of, in their order.
QStringList expectedStartUp()
{
    QStringList lines { kHeader, "verify system semaphore", "setupQssFile", "load ini file", "addLibraryPath" };
#ifdef TAV_STARTS_DB
    lines += QStringList { "createDb", "set Authority", "openLocalDb" };
#endif
#ifdef TAV_STARTS_DEVICE
    lines += "initDevice";
#endif
#ifdef TAV_STARTS_NET
    lines += QStringList { "load ini file", "start auto thread", "startup" };
#endif
    return lines;
}

// The start-up lines logged by the n-th start (from 0) in the copy, in their order.
QStringList startUpOf(const ProgramDirCopy& dir, int n)
{
    const QStringList steps = expectedStartUp();
    QStringList found;
    int start = -1;
    for (const QString& line : dir.logLines()) {
        const QString text = kLine.match(line).captured(2);
        start += text == kHeader ? 1 : 0;
        if (start == n && steps.contains(text)) {
            found << text;
        }
    }
    return found;
}

// Starts TAV in the copy and waits until its n-th start has logged the given number of start-up lines.
QProcess* startTav(ProgramDirCopy& dir, int n, int lines = expectedStartUp().size())
{
    QProcess* tav = dir.start("TAV");
    // On time-out the caller's comparison shows what is missing.
    (void)QTest::qWaitFor([&] { return startUpOf(dir, n).size() >= lines; }, 60000);
    return tav;
}

} // namespace

// Runs the built TAV in a private copy of the program directory and reads its log.
class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void startUpLogsItsStepsInOrderEvenAfterKill();
    void secondStartIsRefused();
};

void TestStartUp::startUpLogsItsStepsInOrderEvenAfterKill()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    first->kill();
    QVERIFY(first->waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 10000);
    // The killed start left its single-instance segment behind.
    QProcess* second = startTav(dir, 1);
    QCOMPARE(startUpOf(dir, 1), expectedStartUp());
    QCOMPARE(second->state(), QProcess::Running);
    for (const QString& line : dir.logLines()) {
        QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
    }
}

void TestStartUp::secondStartIsRefused()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    // A refused start stops at its message box; starting a third gives the second time to go on wrongly.
    startTav(dir, 1, 2);
    startTav(dir, 2, 2);
    const QStringList refused { kHeader, "verify system semaphore" };
    QCOMPARE(startUpOf(dir, 1), refused);
    QCOMPARE(startUpOf(dir, 2), refused);
    QCOMPARE(first->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "TestStartUp.moc"

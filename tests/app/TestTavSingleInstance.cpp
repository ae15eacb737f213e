#include "TavSingleInstance.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSystemSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

// Holders in other processes are this executable started again with a role argument (see main below).
class TestTavSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void secondHolderIsRefused();
    void liveHolderInOtherProcessKeepsItsSegment();
    void segmentOfKilledProcessIsCleared();
    void segmentOfExitedProcessIsCleared();
    void refusedProcessFreesSemaphoreWhileItWaits();

private:
    std::unique_ptr<QProcess> startChild(const QString& role, const QByteArray& expectedLine);
    QTemporaryDir m_ipc;
};

void TestTavSingleInstance::initTestCase()
{
    QVERIFY(m_ipc.isValid());
    // Private key files: nothing here meets a running TAV or another test. Children inherit it.
    qputenv("TMPDIR", QFile::encodeName(m_ipc.path()));
}

void TestTavSingleInstance::cleanupTestCase()
{
    // Remove the semaphore set whoever made it; its key file goes with the temporary folder.
    QSystemSemaphore semaphore("TAV", 1, QSystemSemaphore::Create);
    semaphore.acquire();
    semaphore.release();
}

std::unique_ptr<QProcess> TestTavSingleInstance::startChild(const QString& role, const QByteArray& expectedLine)
{
    auto child = std::make_unique<QProcess>();
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), { role });
    if (!child->waitForStarted(10000)) {
        return nullptr;
    }
    QByteArray out;
    while (!out.contains('\n') && child->waitForReadyRead(10000)) {
        out += child->readAll();
    }
    if (out.trimmed() != expectedLine) {
        child->kill();
        child->waitForFinished(5000);
        return nullptr;
    }
    return child;
}

void TestTavSingleInstance::secondHolderIsRefused()
{
    TavSingleInstance first;
    TavSingleInstance second;
    QVERIFY(first.acquire());
    QVERIFY(first.isHeld());
    QVERIFY(!second.acquire());
    QVERIFY(!second.isHeld());
    first.release();
    QVERIFY(second.acquire());
}

void TestTavSingleInstance::liveHolderInOtherProcessKeepsItsSegment()
{
    std::unique_ptr<QProcess> holder = startChild("--hold", "held");
    QVERIFY(holder);
    TavSingleInstance local;
    QVERIFY(!local.acquire());
    // Our attach and detach must not have removed the holder's segment.
    QVERIFY(!local.acquire());

    holder->closeWriteChannel();
    QVERIFY(holder->waitForFinished(10000));
    QCOMPARE(holder->exitCode(), 0);
    QVERIFY(local.acquire());
}

void TestTavSingleInstance::segmentOfKilledProcessIsCleared()
{
    std::unique_ptr<QProcess> holder = startChild("--hold", "held");
    QVERIFY(holder);
    holder->kill();
    QVERIFY(holder->waitForFinished(10000));

    TavSingleInstance local;
    QVERIFY(local.acquire());
}

void TestTavSingleInstance::segmentOfExitedProcessIsCleared()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { "--exit" });
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitCode(), 7);

    TavSingleInstance local;
    QVERIFY(local.acquire());
}

void TestTavSingleInstance::refusedProcessFreesSemaphoreWhileItWaits()
{
    std::unique_ptr<QProcess> holder = startChild("--hold", "held");
    QVERIFY(holder);
    std::unique_ptr<QProcess> refused = startChild("--refused-wait", "refused");
    QVERIFY(refused);

    // The refused child now waits (as behind its message box); the check of a third start must not block.
    std::atomic<bool> done { false };
    std::atomic<bool> third { true };
    std::unique_ptr<QThread> starter(QThread::create([&] {
        TavSingleInstance another;
        third = another.acquire();
        QSystemSemaphore semaphore("TAV", 1, QSystemSemaphore::Open);
        if (semaphore.acquire()) {
            semaphore.release();
        }
        done = true;
    }));
    starter->start();
    const bool inTime = QTest::qWaitFor([&done] { return done.load(); }, 10000);
    // Ending the refused child frees a semaphore it might still hold, so the thread always ends.
    refused->kill();
    refused->waitForFinished(5000);
    QVERIFY(starter->wait(10000));
    QVERIFY2(inTime, "a start was blocked by the refused process");
    QVERIFY(!third);

    holder->closeWriteChannel();
    QVERIFY(holder->waitForFinished(10000));
}

int main(int argc, char* argv[])
{
    if (argc == 2 && argv[1][0] == '-' && argv[1][1] == '-') {
        QCoreApplication app(argc, argv);
        const QByteArray role = argv[1];
        TavSingleInstance instance;
        const bool held = instance.acquire();
        if (role == "--exit") {
            // Ends without giving the segment up, as exit() from deep inside a program would.
            fflush(stdout);
            _exit(held ? 7 : 1);
        }
        printf("%s\n", held ? "held" : "refused");
        fflush(stdout);
        // Wait until the parent closes our input (or kills us).
        char c;
        while (read(0, &c, 1) > 0) { }
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestTavSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestTavSingleInstance.moc"

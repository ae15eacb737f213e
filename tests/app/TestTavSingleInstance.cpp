#include "TavSingleInstance.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <unistd.h>

class TestTavSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void refusedStartNeitherBlocksNorRemovesTheHolder();
    void segmentOfEndedHolderIsCleared_data();
    void segmentOfEndedHolderIsCleared();
};

void TestTavSingleInstance::refusedStartNeitherBlocksNorRemovesTheHolder()
{
    TavSingleInstance holder;
    TavSingleInstance refused;
    QVERIFY(holder.acquire());
    // The refused start keeps its object while its message box waits.
    QVERIFY(!refused.acquire());

    std::atomic<int> third { -1 };
    std::unique_ptr<QThread> starter(QThread::create([&third] { third = TavSingleInstance().acquire(); }));
    starter->start();
    const bool inTime = QTest::qWaitFor([&third] { return third >= 0; }, 10000);
    if (!inTime) {
        QSystemSemaphore("TAV", 1, QSystemSemaphore::Open).release();
    }
    QVERIFY(starter->wait(30000));
    QVERIFY2(inTime, "a start was blocked by the refused one");
    // Refused, so the attach and detach of both checks left the holder's segment in place.
    QCOMPARE(third.load(), 0);

    holder.release();
    QVERIFY(refused.acquire());
}

void TestTavSingleInstance::segmentOfEndedHolderIsCleared_data()
{
    QTest::addColumn<bool>("keyFileGone");
    QTest::newRow("key file kept") << false;
    // A temporary folder cleaned after a crash: the orphan can no longer be found through its key file.
    QTest::newRow("key file gone") << true;
}

void TestTavSingleInstance::segmentOfEndedHolderIsCleared()
{
    QFETCH(bool, keyFileGone);
    // Made first, it owns the semaphore sets and removes them at the end; the child would leave them behind.
    TavSingleInstance local;
    // The child ends without giving the segment up, as a crash or exit() deep inside a program would.
    QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), { "--exit-holding" }), 0);
    if (keyFileGone) {
        QDir tmp(QDir::tempPath());
        for (const QString& name : tmp.entryList({ "qipc_sharedmemory_*" }, QDir::Files))
            QVERIFY(tmp.remove(name));
    }
    QVERIFY(local.acquire());
}

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--exit-holding") == 0) {
        TavSingleInstance instance;
        _exit(instance.acquire() ? 0 : 1);
    }
    // Private key files, inherited by the child: nothing here meets a running TAV or another test.
    QTemporaryDir ipc;
    qputenv("TMPDIR", QFile::encodeName(ipc.path()));
    QCoreApplication app(argc, argv);
    TestTavSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestTavSingleInstance.moc"

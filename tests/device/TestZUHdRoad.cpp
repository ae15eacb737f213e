#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"
#include "SignalRecorder.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// The keypad road with both threads running: simulated receiver -> receiver thread -> dispatcher -> slot.
class TestZUHdRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keypadSimLinesArriveInInterfaceThread_data();
    void keypadSimLinesArriveInInterfaceThread();
    void controlChannelDropsEndlessLine();
    void eachAnswerArrivesWithinPasses();
    void unpluggedReceiverDeliversNothingUntilReplugged();
    void receiverBackBeforeNextPollKeepsDelivering();
    void pressesBeforeANewActivityNeverReachIt_data();
    void pressesBeforeANewActivityNeverReachIt();
    void autoKeypadsAnswerAndConfirmIds();
    void shutdownStopsThreadsAndClosesReceiver();
    void cleanupTestCase();

private:
    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    ZURf228Api* m_api = ZURf228Api::getInstance();
    SignalRecorder* m_recorder = nullptr; // in the interface thread, as the screens that use keypads are
};

void TestZUHdRoad::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("TAV_RF21X_SOCKET", m_dir.filePath("rf21x.sock").toUtf8());
    m_api->initDevice();
    QVERIFY(ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(ZURF228SendThread::getInstance()->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Rf21xControlChannel::socketPath()), 30000);
}

void TestZUHdRoad::init()
{
    delete m_recorder;
    m_recorder = new SignalRecorder();
}

void TestZUHdRoad::keypadSimLinesArriveInInterfaceThread_data()
{
    QTest::addColumn<QStringList>("args"); // none: lines from standard input
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("arrived"); // sorted

    QTest::newRow("arguments") << QStringList({ "key", "7", "AB", "2" }) << QByteArray() << 0 << QByteArray("OK\n")
                               << QStringList("S7/2:AB");
    QTest::newRow("standard input") << QStringList()
                                    << QByteArray("teacher ok\n\nsetid Success\nrush 3\nraw 9\nkey 8 D\n") << 0
                                    << QByteArray("OK\nOK\nOK\nOK\nOK\n")
                                    << QStringList({ "I:Success", "S3/1:Rush", "S8/1:D", "T:ok" });
    // A refused line neither stops the lines after it nor reaches the program.
    QTest::newRow("refused lines") << QStringList() << QByteArray("key x A\nkey 1 A q\n jump  2\nauto 5000\nkey 9 C\n")
                                   << 1
                                   << QByteArray("ERR bad keypad id\nERR bad quiz number\n"
                                                 "ERR unknown command or wrong arguments: jump 2\n"
                                                 "ERR auto takes a keypad count from 0 to 1000\nOK\n")
                                   << QStringList("S9/1:C");
}

void TestZUHdRoad::keypadSimLinesArriveInInterfaceThread()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QStringList, arrived);
    QProcess process;
    process.start(TAV_BIN_DIR "/keypad-sim", args);
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardOutput(), output);
    QCOMPARE(process.exitCode(), exitCode);
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got.size(), arrived.size(), 30000);
    m_recorder->got.sort();
    QCOMPARE(m_recorder->got, arrived);
    QVERIFY(m_recorder->inOwnThread);
}

void TestZUHdRoad::controlChannelDropsEndlessLine()
{
    QLocalSocket socket;
    socket.connectToServer(Rf21xControlChannel::socketPath());
    QVERIFY(socket.waitForConnected(30000));
    socket.write(QByteArray(5000, 'k'));
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), 30000);
    QCOMPARE(socket.readLine(), QByteArray("ERR line too long\n"));
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 30000);
}

// An answer that comes while the dispatcher delivers, sleeps between passes or waits, goes out with the next
// pass: the next answer is sent the moment the last one arrived, so each lands in another phase.
void TestZUHdRoad::eachAnswerArrivesWithinPasses()
{
    const int answers = 30;
    QElapsedTimer clock;
    qint64 sentAt = 0;
    qint64 slowest = 0;
    int arrived = 0;
    QMetaObject::Connection next
        = connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, [&](StudentInfo info) {
              if (info.keypadId != arrived + 1)
                  return;
              slowest = qMax(slowest, clock.elapsed() - sentAt);
              if (++arrived < answers) {
                  sentAt = clock.elapsed();
                  m_sim->pushKey(arrived + 1, "A");
              }
          });
    clock.start();
    QVERIFY(m_sim->pushKey(1, "A"));
    QTRY_COMPARE_WITH_TIMEOUT(arrived, answers, answers * 5000);
    disconnect(next);
    // A lost wake-up leaves an answer waiting for the next one, which here never comes; beyond that, an idle
    // poll (10 ms) and a pass (10 ms), with wide room for a busy machine.
    QVERIFY2(slowest < 5000, qPrintable(QString("%1 ms").arg(slowest)));
}

// The threads keep running on an unplugged receiver and deliver again once it is back.
void TestZUHdRoad::unpluggedReceiverDeliversNothingUntilReplugged()
{
    QString message;
    m_sim->unplug();
    m_api->pollDevice(message);
    QVERIFY(!m_sim->pushKey(1, "A"));
    m_sim->plug();
    m_api->pollDevice(message);
    QCOMPARE(message, QString("硬件连接成功"));
    QVERIFY(m_sim->pushKey(1, "B"));
    // Only what came after the plug.
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got, QStringList("S1/1:B"), 30000);
}

// Plugging is polled about once a second; a cable pulled and pushed back in between goes unnoticed.
void TestZUHdRoad::receiverBackBeforeNextPollKeepsDelivering()
{
    m_sim->unplug();
    m_sim->plug();
    QVERIFY(m_sim->pushKey(2, "C"));
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got, QStringList("S2/1:C"), 30000);
}

// A flood of presses is taken in faster than it is published; whatever of it still waits when an activity
// starts, or when the receiver is pulled and put back, never reaches the screens.
void TestZUHdRoad::pressesBeforeANewActivityNeverReachIt_data()
{
    QTest::addColumn<QString>("begin");
    QTest::newRow("single choice") << "single";
    QTest::newRow("digits") << "digits";
    QTest::newRow("receiver pulled and back") << "replug";
}

void TestZUHdRoad::pressesBeforeANewActivityNeverReachIt()
{
    QFETCH(QString, begin);
    const int stale = 300;
    for (int keypad = 1; keypad <= stale; ++keypad)
        QVERIFY(m_sim->pushKey(keypad, "A"));
    // The receiver takes them all while this thread runs no events: every press is on its way, queued or posted,
    // when the activity begins, however slow the machine.
    QDeadlineTimer deadline(60000);
    while (m_sim->pendingMessages() > 0 && !deadline.hasExpired())
        QThread::msleep(5);
    QCOMPARE(m_sim->pendingMessages(), 0);
    QVERIFY(m_recorder->got.isEmpty());
    if (begin == "single") {
        QVERIFY(m_api->startSingleQuiz(-1));
    } else if (begin == "digits") {
        QVERIFY(m_api->startNumberQuiz());
    } else {
        QString message;
        m_sim->unplug();
        m_api->pollDevice(message);
        m_sim->plug();
        m_api->pollDevice(message);
        QCOMPARE(message, QString("硬件连接成功"));
    }
    m_recorder->got.clear();
    QVERIFY(m_sim->pushKey(5000, "Z"));
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder->got.contains("S5000/1:Z"), 60000);
    QCOMPARE(m_recorder->got, QStringList("S5000/1:Z"));
}

void TestZUHdRoad::autoKeypadsAnswerAndConfirmIds()
{
    m_sim->setAutoKeypads(2);
    QVERIFY(m_api->startMultipleQuiz(2));
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got.size(), 4, 30000);
    m_recorder->got.sort();
    // Each keypad answers each question of the all-at-once quiz with one or more ordered letters among A to D.
    const QString pattern = QString("^S1/1:X\nS1/2:X\nS2/1:X\nS2/2:X$").replace("X", "(?=[A-D])A?B?C?D?");
    QVERIFY2(QRegularExpression(pattern).match(m_recorder->got.join('\n')).hasMatch(),
             qPrintable(m_recorder->got.join(' ')));

    // As the binding screen does: a number, its confirmation, a new start, the keypad's press.
    m_recorder->got.clear();
    QVERIFY(m_api->stopQuiz());
    QVERIFY(m_api->setKeypadId(17));
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got, QStringList("I:Success"), 30000);
    QVERIFY(m_api->startSingleQuiz(-1));
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got.size(), 2, 30000);
    QVERIFY2(QRegularExpression("^S17/1:[A-D]$").match(m_recorder->got.at(1)).hasMatch(),
             qPrintable(m_recorder->got.at(1)));
    // Then the keypads answer, the new number among them.
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder->got.size(), 5, 30000);
    QStringList keypads;
    for (const QString& item : m_recorder->got.mid(2))
        keypads << item.section('/', 0, 0);
    keypads.sort();
    QCOMPARE(keypads, QStringList({ "S1", "S17", "S2" }));
    m_sim->setAutoKeypads(0);
}

void TestZUHdRoad::shutdownStopsThreadsAndClosesReceiver()
{
    m_sim->clearCommands();
    m_api->shutdown();
    QVERIFY(!ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(!ZURF228SendThread::getInstance()->isRunning());
    QCOMPARE(m_sim->commands(), QStringList({ "stopQuiz", "close", "destoryDevice" }));
    QVERIFY(!m_api->isConnected());
}

// The simulated receiver's control channel is stopped and joined while the test still logs.
void TestZUHdRoad::cleanupTestCase()
{
    Rf21xControlChannel::stop();
    QVERIFY(!QFile::exists(Rf21xControlChannel::socketPath()));
}

QTEST_GUILESS_MAIN(TestZUHdRoad)
#include "TestZUHdRoad.moc"

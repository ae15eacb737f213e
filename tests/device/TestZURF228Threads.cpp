#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"
#include "SignalRecorder.h"
#include "ZUHdData.h"
#include "ZUHdRelay.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// The receiver and dispatcher one step at a time, in the test's thread, without starting them.
class TestZURF228Threads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void receiverSortsEachMessage_data();
    void receiverSortsEachMessage();
    void pauseFollowsHdTime_data();
    void pauseFollowsHdTime();
    void startDropsPressesOnTheirWay_data();
    void startDropsPressesOnTheirWay();
    void pressTakenAfterAStartCountsInIt();
    void pressTakenBeforeAStartDoesNotCountInIt_data();
    void pressTakenBeforeAStartDoesNotCountInIt();
    void fullQueueDropsOldestAndSaysSoOnce_data();
    void fullQueueDropsOldestAndSaysSoOnce();
    void dispatcherWaitsForInterfaceThread();
    void cleanupTestCase();

private:
    QStringList deliverAll(); // what each pass published
    void pushAndTake(const QByteArrayList& lines);

    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    ZURF228ReceiverThread* m_receiver = nullptr;
    ZURF228SendThread* m_sender = nullptr;
    SignalRecorder* m_recorder = nullptr;
};

void TestZURF228Threads::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("TAV_RF21X_SOCKET", m_dir.filePath("rf21x.sock").toUtf8());
    if (qEnvironmentVariableIsSet("TAV_TEST_CHILD"))
        return;
    m_recorder = new SignalRecorder();
    m_receiver = ZURF228ReceiverThread::getInstance();
    m_sender = ZURF228SendThread::getInstance();
    // A device that is open while neither thread runs: started unplugged, then opened by hand.
    m_sim->unplug();
    ZURf228Api::getInstance()->initDevice();
    m_sim->plug();
    QVERIFY(ZURf228Api::getInstance()->openDevice());
}

void TestZURF228Threads::init()
{
    if (m_sender)
        deliverAll();
}

QStringList TestZURF228Threads::deliverAll()
{
    QStringList passes;
    m_recorder->got.clear();
    while (m_sender->deliverPass()) {
        QCoreApplication::sendPostedEvents();
        passes << m_recorder->got.join(' ');
        m_recorder->got.clear();
    }
    return passes;
}

void TestZURF228Threads::pushAndTake(const QByteArrayList& lines)
{
    for (const QByteArray& line : lines) {
        QCOMPARE(m_sim->execute(line), QByteArray("OK"));
        QVERIFY(m_receiver->pollOnce());
    }
}

void TestZURF228Threads::receiverSortsEachMessage_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QStringList>("passes");
    QTest::newRow("keypad") << QByteArrayList { "key 41 ACD 3" } << QStringList("S41/3:ACD");
    QTest::newRow("utf-8 text") << QByteArrayList { "key 41 是" } << QStringList("S41/1:是");
    QTest::newRow("data filling its field")
        << QByteArrayList { "key 41 " + QByteArray(RF21X_MESSAGE_DATA_SIZE + 9, 'E') }
        << QStringList("S41/1:" + QString(RF21X_MESSAGE_DATA_SIZE, 'E'));
    QTest::newRow("keypad without data") << QByteArrayList { "raw 2" } << QStringList("S0/0:");
    QTest::newRow("set-id reply") << QByteArrayList { "setid Success" } << QStringList("I:Success");
    QTest::newRow("other type") << QByteArrayList { "raw 4" } << QStringList();
    // A teacher key does not wait behind the answers queued before it.
    QTest::newRow("three answers and a teacher key") << QByteArrayList { "key 1 A", "key 2 B", "teacher ok", "key 3 C" }
                                                     << QStringList({ "T:ok S1/1:A", "S2/1:B", "S3/1:C" });
}

void TestZURF228Threads::receiverSortsEachMessage()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QStringList, passes);
    pushAndTake(lines);
    QVERIFY(!m_receiver->pollOnce());
    QCOMPARE(deliverAll(), passes);
}

void TestZURF228Threads::pauseFollowsHdTime_data()
{
    QTest::addColumn<QByteArray>("hdTimeLine");
    QTest::addColumn<int>("pause");
    QTest::newRow("absent") << QByteArray() << 2;
    QTest::newRow("zero") << QByteArray("hdTime=0") << 2;
    QTest::newRow("negative") << QByteArray("hdTime=-5") << 2;
    QTest::newRow("fifty") << QByteArray("hdTime=50") << 50;
}

void TestZURF228Threads::pauseFollowsHdTime()
{
    QFETCH(QByteArray, hdTimeLine);
    QFETCH(int, pause);
    if (!qEnvironmentVariableIsSet("TAV_TEST_CHILD")) {
        // The value is read once per process, so each row runs again in a child process of its own.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAV_TEST_CHILD", "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    { QString("pauseFollowsHdTime:") + QTest::currentDataTag() });
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitCode() == 0, child.readAll().constData());
        return;
    }
    QFile ini(m_dir.filePath("TAVConfig.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ClientInfo]\nhdType=rf228\n" + hdTimeLine + "\n");
    ini.close();
    QVERIFY(iniParse::getInstance()->loadFile(ini.fileName()));
    ZURf228Api::getInstance()->initDevice();
    QCOMPARE(ZURF228ReceiverThread::getInstance()->pauseMs(), pause);

    // Taken in one burst, the third answer enters two pauses after the first at the earliest.
    QElapsedTimer clock;
    int answers = 0;
    qint64 thirdAt = -1;
    connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this, [&](StudentInfo) {
        if (++answers == 3)
            thirdAt = clock.elapsed();
    });
    clock.start();
    for (int keypad = 1; keypad <= 3; ++keypad)
        QVERIFY(m_sim->pushKey(keypad, "A"));
    QTRY_VERIFY_WITH_TIMEOUT(thirdAt >= 0, 30000);
    QVERIFY2(thirdAt >= 2 * pause, qPrintable(QString::number(thirdAt)));
}

// A start of answering drops the presses received before it, whether still queued or already posted to the
// interface thread; teacher keys and set-id replies go on. Without a start the presses are all published.
void TestZURF228Threads::startDropsPressesOnTheirWay_data()
{
    QTest::addColumn<QString>("begin");
    QTest::addColumn<int>("postedPasses"); // taken out of the queues before the start
    QTest::addColumn<QStringList>("published");
    const QStringList onePass { "T:ok S3/1:C I:Success" };
    const QStringList afterPosted { "T:ok", "I:Success", "S3/1:C" };
    QTest::newRow("queued, single choice") << "single" << 0 << onePass;
    QTest::newRow("queued, multiple choice") << "multiple" << 0 << onePass;
    QTest::newRow("queued, digits") << "digits" << 0 << onePass;
    QTest::newRow("posted, single choice") << "single" << 2 << afterPosted;
    QTest::newRow("posted, digits") << "digits" << 2 << afterPosted;
    QTest::newRow("one posted, one queued") << "multiple" << 1 << afterPosted;
    const QStringList all { "T:ok S1/1:A I:Success", "S2/1:B", "S3/1:C" };
    QTest::newRow("no start") << "none" << 0 << all;
    QTest::newRow("a stop keeps them") << "stop" << 0 << all;
}

void TestZURF228Threads::startDropsPressesOnTheirWay()
{
    QFETCH(QString, begin);
    QFETCH(int, postedPasses);
    QFETCH(QStringList, published);
    ZURf228Api* api = ZURf228Api::getInstance();
    pushAndTake({ "key 1 A", "teacher ok", "key 2 B", "setid Success" });
    for (int pass = 0; pass < postedPasses; ++pass)
        QVERIFY(m_sender->deliverPass());
    if (begin == "single")
        QVERIFY(api->startSingleQuiz(-1));
    else if (begin == "multiple")
        QVERIFY(api->startMultipleQuiz(3));
    else if (begin == "digits")
        QVERIFY(api->startNumberQuiz());
    else if (begin == "stop")
        QVERIFY(api->stopQuiz());
    pushAndTake({ "key 3 C" });
    QCoreApplication::sendPostedEvents();
    QStringList got = m_recorder->got;
    got += deliverAll();
    QCOMPARE(got, published);
}

namespace {

int s_overflowLines = 0;
QtMessageHandler s_previousHandler = nullptr;

void countOverflowLines(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith("****") && text.contains("queue full"))
        ++s_overflowLines;
    s_previousHandler(type, context, text);
}

} // namespace

// Each queue keeps its newest items and tells of an overflow once, until it has drained.
// The receiver notes the generation and takes the message as one step: a start cannot slip in between, so a
// press sent after the start returned is never taken as one from before it.
void TestZURF228Threads::pressTakenAfterAStartCountsInIt()
{
    QSemaphore inTake;
    QSemaphore goOn;
    bool holding = true;
    m_sim->setTakeHook([&] {
        if (!holding)
            return;
        holding = false;
        inTake.release();
        goOn.tryAcquire(1, 30000);
    });
    QScopedPointer<QThread> receiver(QThread::create([this] { m_receiver->pollOnce(); }));
    receiver->start();
    QVERIFY(inTake.tryAcquire(1, 30000));
    // The receiver is inside its take; the start goes ahead of it if it can.
    QScopedPointer<QThread> starter(QThread::create([] { ZURf228Api::getInstance()->startSingleQuiz(-1); }));
    starter->start();
    const bool startedFirst = starter->wait(500);
    if (startedFirst)
        QCOMPARE(m_sim->execute("key 7 B"), QByteArray("OK"));
    goOn.release();
    QVERIFY(receiver->wait(30000));
    QVERIFY(starter->wait(30000));
    m_sim->setTakeHook(nullptr);
    if (!startedFirst)
        QCOMPARE(m_sim->execute("key 7 B"), QByteArray("OK"));
    while (m_receiver->pollOnce()) { }
    QCOMPARE(deliverAll(), QStringList("S7/1:B"));
}

// The other side: a press the receiver took before a start is of the generation before it, even when the start
// comes while the press is still being read, so the start drops it.
void TestZURF228Threads::pressTakenBeforeAStartDoesNotCountInIt_data()
{
    QTest::addColumn<QString>("begin");
    QTest::newRow("single choice") << "single";
    QTest::newRow("digits") << "digits";
    QTest::newRow("multiple choice") << "multiple";
}

void TestZURF228Threads::pressTakenBeforeAStartDoesNotCountInIt()
{
    QFETCH(QString, begin);
    ZURf228Api* api = ZURf228Api::getInstance();
    QCOMPARE(m_sim->execute("key 7 B"), QByteArray("OK"));
    bool started = false;
    m_sim->setReadHook([&] {
        if (started)
            return;
        started = true;
        if (begin == "single")
            api->startSingleQuiz(-1);
        else if (begin == "digits")
            api->startNumberQuiz();
        else
            api->startMultipleQuiz(3);
    });
    const bool took = m_receiver->pollOnce();
    m_sim->setReadHook(nullptr);
    QVERIFY(took);
    QVERIFY(started);
    QCOMPARE(m_sim->execute("key 8 C"), QByteArray("OK"));
    while (m_receiver->pollOnce()) { }
    QCOMPARE(deliverAll(), QStringList("S8/1:C"));
}

void TestZURF228Threads::fullQueueDropsOldestAndSaysSoOnce_data()
{
    QTest::addColumn<QString>("line"); // %1: running number
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("item");
    QTest::newRow("keypad messages") << "key %1 A" << int(ZUHdData::kMaxStudentItems) << "S%1/1:A";
    QTest::newRow("teacher keys") << "teacher k%1" << int(ZUHdData::kMaxTeacherItems) << "T:k%1";
    QTest::newRow("set-id replies") << "setid r%1" << int(ZUHdData::kMaxSetIdItems) << "I:r%1";
}

void TestZURF228Threads::fullQueueDropsOldestAndSaysSoOnce()
{
    QFETCH(QString, line);
    QFETCH(int, limit);
    QFETCH(QString, item);
    const int over = 3;
    s_overflowLines = 0;
    s_previousHandler = qInstallMessageHandler(countOverflowLines);
    QStringList published;
    for (int round = 1; round <= 2; ++round) {
        for (int i = 1; i <= limit + over; ++i) {
            QVERIFY(m_sim->execute(line.arg(i).toUtf8()) == "OK");
            QVERIFY(m_receiver->pollOnce());
        }
        published = deliverAll();
    }
    qInstallMessageHandler(s_previousHandler);
    // Two overflows, one line each.
    QCOMPARE(s_overflowLines, 2);
    QCOMPARE(published.size(), limit);
    QCOMPARE(published.first(), item.arg(over + 1));
    QCOMPARE(published.last(), item.arg(limit + over));
}

// While the interface thread has not published what was posted, the dispatcher posts no more.
void TestZURF228Threads::dispatcherWaitsForInterfaceThread()
{
    const int answers = ZUHdRelay::kMaxPosted + 10;
    QByteArrayList lines;
    for (int keypad = 1; keypad <= answers; ++keypad)
        lines << "key " + QByteArray::number(keypad) + " A";
    pushAndTake(lines);
    for (int pass = 0; pass < answers; ++pass)
        QVERIFY(m_sender->deliverPass());
    QCOMPARE(m_recorder->got.size(), 0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_recorder->got.size(), int(ZUHdRelay::kMaxPosted));
    QCOMPARE(m_recorder->got.last(), QString("S%1/1:A").arg(ZUHdRelay::kMaxPosted));
    const QStringList rest = deliverAll();
    QCOMPARE(rest.size(), 10);
    QCOMPARE(rest.first(), QString("S%1/1:A").arg(ZUHdRelay::kMaxPosted + 1));
}

// The simulated receiver's control channel is stopped and joined while the test still logs.
void TestZURF228Threads::cleanupTestCase()
{
    Rf21xControlChannel::stop();
    QVERIFY(!QFile::exists(Rf21xControlChannel::socketPath()));
}

QTEST_GUILESS_MAIN(TestZURF228Threads)
#include "TestZURF228Threads.moc"

#include "Rf21xSimulator.h"
#include "SignalRecorder.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
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

private:
    QStringList deliverAll(); // what each pass emitted

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
        passes << m_recorder->got.join(' ');
        m_recorder->got.clear();
    }
    return passes;
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
    for (const QByteArray& line : lines) {
        QCOMPARE(m_sim->execute(line), QByteArray("OK"));
        QVERIFY(m_receiver->pollOnce());
    }
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
        QVERIFY(child.waitForFinished(30000));
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
    QTRY_VERIFY_WITH_TIMEOUT(thirdAt >= 0, 5000);
    QVERIFY2(thirdAt >= 2 * pause, qPrintable(QString::number(thirdAt)));
}

QTEST_GUILESS_MAIN(TestZURF228Threads)
#include "TestZURF228Threads.moc"

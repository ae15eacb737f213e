#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"
#include "ZUHdManager.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Lives in the interface thread, as the quiz, binding and sign-in screens do.
class Consumer : public QObject
{
public:
    Consumer()
    {
        ZUHdManager* manager = ZUHdManager::getInstance();
        connect(manager, &ZUHdManager::sendStudentData, this, [this](StudentInfo info) {
            students.append(info);
            inOwnThread = inOwnThread && QThread::currentThread() == thread();
        });
        connect(manager, &ZUHdManager::sendTeacherData, this, [this](TeacherInfo info) { teachers << info.data; });
        connect(manager, &ZUHdManager::sendSetIdData, this, [this](SetIdInfo info) { replies << info.data; });
    }

    QList<StudentInfo> students;
    QStringList teachers;
    QStringList replies;
    bool inOwnThread = true;
};

} // namespace

// The keypad road with both threads running: simulated receiver -> receiver thread -> dispatcher -> slot.
class TestZUHdRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keypadSimLineArrivesInInterfaceThread();
    void keypadSimTakesLinesFromStandardInput();
    void keypadSimReportsRefusedLine();
    void controlLineIsRefused_data();
    void controlLineIsRefused();
    void controlChannelDropsEndlessLine();
    void unpluggedReceiverDeliversNothingUntilReplugged();
    void autoKeypadsAnswerAndConfirmIds();
    void shutdownStopsThreadsAndClosesReceiver();

private:
    int runKeypadSim(const QStringList& args, const QByteArray& input, QByteArray* output);

    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    ZURf228Api* m_api = ZURf228Api::getInstance();
    Consumer* m_consumer = nullptr;
};

void TestZUHdRoad::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("TAV_RF21X_SOCKET", m_dir.filePath("rf21x.sock").toUtf8());
    m_api->initDevice();
    QVERIFY(m_api->isConnected());
    QVERIFY(ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(ZURF228SendThread::getInstance()->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Rf21xControlChannel::socketPath()), 5000);
}

void TestZUHdRoad::init()
{
    delete m_consumer;
    m_consumer = new Consumer();
}

int TestZUHdRoad::runKeypadSim(const QStringList& args, const QByteArray& input, QByteArray* output)
{
    QProcess process;
    process.start(TAV_BIN_DIR "/keypad-sim", args);
    if (!process.waitForStarted(5000))
        return -1;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000))
        return -1;
    *output = process.readAllStandardOutput();
    return process.exitCode();
}

void TestZUHdRoad::keypadSimLineArrivesInInterfaceThread()
{
    QByteArray output;
    QCOMPARE(runKeypadSim({ "key", "7", "AB", "2" }, QByteArray(), &output), 0);
    QCOMPARE(output, QByteArray("OK\n"));
    QTRY_COMPARE(m_consumer->students.size(), 1);
    const StudentInfo info = m_consumer->students.first();
    QCOMPARE(info.keypadId, 7);
    QCOMPARE(info.quizNumber, 2);
    QCOMPARE(info.data, QString("AB"));
    QVERIFY(m_consumer->inOwnThread);
}

void TestZUHdRoad::keypadSimTakesLinesFromStandardInput()
{
    QByteArray output;
    const QByteArray lines = "teacher ok\n\nsetid Success\nrush 3\nraw 9\nkey 8 D\n";
    QCOMPARE(runKeypadSim({}, lines, &output), 0);
    QCOMPARE(output, QByteArray("OK\nOK\nOK\nOK\nOK\n"));
    QTRY_COMPARE(m_consumer->students.size(), 2);
    QCOMPARE(m_consumer->teachers, QStringList("ok"));
    QCOMPARE(m_consumer->replies, QStringList("Success"));
    QCOMPARE(m_consumer->students.at(0).data, QString("Rush"));
    QCOMPARE(m_consumer->students.at(0).keypadId, 3);
    QCOMPARE(m_consumer->students.at(1).data, QString("D"));
}

void TestZUHdRoad::keypadSimReportsRefusedLine()
{
    QByteArray output;
    QCOMPARE(runKeypadSim({ "key", "1" }, QByteArray(), &output), 1);
    QVERIFY(output.startsWith("ERR "));
}

void TestZUHdRoad::controlLineIsRefused_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("bad id") << QByteArray("key x A") << QByteArray("ERR bad keypad id");
    QTest::newRow("bad quiz number") << QByteArray("key 1 A q") << QByteArray("ERR bad quiz number");
    QTest::newRow("unknown") << QByteArray(" jump  2") << QByteArray("ERR unknown command or wrong arguments: jump 2");
    QTest::newRow("empty") << QByteArray("") << QByteArray("ERR empty command");
    QTest::newRow("auto out of range") << QByteArray("auto 5000")
                                       << QByteArray("ERR auto takes a keypad count from 0 to 1000");
}

void TestZUHdRoad::controlLineIsRefused()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QCOMPARE(m_sim->execute(line), reply);
}

void TestZUHdRoad::controlChannelDropsEndlessLine()
{
    QLocalSocket socket;
    socket.connectToServer(Rf21xControlChannel::socketPath());
    QVERIFY(socket.waitForConnected(3000));
    socket.write(QByteArray(5000, 'k'));
    QTRY_VERIFY(socket.canReadLine());
    QCOMPARE(socket.readLine(), QByteArray("ERR line too long\n"));
    QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
}

void TestZUHdRoad::unpluggedReceiverDeliversNothingUntilReplugged()
{
    QSignalSpy students(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData);
    QString message;
    QByteArray output;
    QCOMPARE(runKeypadSim({ "unplug" }, QByteArray(), &output), 0);
    m_api->pollDevice(message);
    QCOMPARE(message, QString("硬件连接异常"));
    QCOMPARE(runKeypadSim({ "key", "1", "A" }, QByteArray(), &output), 1);
    QCOMPARE(output, QByteArray("ERR receiver unplugged\n"));
    QVERIFY(!students.wait(300));

    QCOMPARE(runKeypadSim({ "plug" }, QByteArray(), &output), 0);
    message.clear();
    m_api->pollDevice(message);
    QCOMPARE(message, QString("硬件连接成功"));
    QCOMPARE(runKeypadSim({ "key", "1", "B" }, QByteArray(), &output), 0);
    QTRY_COMPARE(m_consumer->students.size(), 1);
    QCOMPARE(m_consumer->students.first().data, QString("B"));
}

void TestZUHdRoad::autoKeypadsAnswerAndConfirmIds()
{
    QByteArray output;
    QCOMPARE(runKeypadSim({ "auto", "2" }, QByteArray(), &output), 0);
    QVERIFY(m_api->startMultipleQuiz(2));
    QTRY_COMPARE_WITH_TIMEOUT(m_consumer->students.size(), 4, 8000);
    QSet<QString> answered;
    for (const StudentInfo& info : qAsConst(m_consumer->students)) {
        answered << QString("%1/%2").arg(info.keypadId).arg(info.quizNumber);
        QVERIFY2(QRegularExpression("^A?B?C?D?$").match(info.data).hasMatch() && !info.data.isEmpty(),
                 qPrintable(info.data));
    }
    QCOMPARE(answered, QSet<QString>({ "1/1", "1/2", "2/1", "2/2" }));

    QVERIFY(m_api->stopQuiz());
    QVERIFY(m_api->setKeypadId(17));
    QTRY_COMPARE_WITH_TIMEOUT(m_consumer->replies, QStringList("Success"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(m_consumer->students.size(), 5, 3000);
    QCOMPARE(m_consumer->students.last().keypadId, 17);
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

QTEST_GUILESS_MAIN(TestZUHdRoad)
#include "TestZUHdRoad.moc"

#include "Rf21xSimulator.h"
#include "ZUHdManager.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
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
    void passesDeliverOneItemOfEachKind();
    void pauseFollowsHdTime_data();
    void pauseFollowsHdTime();
    void pauseInChildProcess();

private:
    int deliverAll();

    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    ZURF228ReceiverThread* m_receiver = nullptr;
    ZURF228SendThread* m_sender = nullptr;
    ZUHdManager* m_manager = nullptr;
};

void TestZURF228Threads::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("TAV_RF21X_SOCKET", m_dir.filePath("rf21x.sock").toUtf8());
    if (qEnvironmentVariableIsSet("TAV_TEST_HDTIME"))
        return;
    m_manager = ZUHdManager::getInstance();
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
    if (!m_manager)
        return;
    deliverAll();
    m_sim->clearCommands();
}

int TestZURF228Threads::deliverAll()
{
    int passes = 0;
    while (m_sender->deliverPass())
        ++passes;
    return passes;
}

void TestZURF228Threads::receiverSortsEachMessage_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("signal"); // teacher, student, setid or none
    QTest::addColumn<QString>("data");

    QTest::newRow("teacher key") << QByteArray("teacher question") << "teacher"
                                 << "question";
    QTest::newRow("unknown teacher key passes unchanged") << QByteArray("teacher zoom") << "teacher"
                                                          << "zoom";
    QTest::newRow("keypad") << QByteArray("key 41 ACD 3") << "student"
                            << "ACD";
    QTest::newRow("utf-8 text") << QByteArray("key 41 \xe6\x98\xaf") << "student" << QString::fromUtf8("是");
    QTest::newRow("data filling its field") << QByteArray("key 41 " + QByteArray(RF21X_MESSAGE_DATA_SIZE + 9, 'E'))
                                            << "student" << QString(RF21X_MESSAGE_DATA_SIZE, 'E');
    QTest::newRow("keypad without data") << QByteArray("raw 2") << "student" << QString();
    QTest::newRow("set-id reply") << QByteArray("setid Success") << "setid"
                                  << "Success";
    QTest::newRow("other type") << QByteArray("raw 4") << "none" << QString();
}

void TestZURF228Threads::receiverSortsEachMessage()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, signal);
    QFETCH(QString, data);
    QSignalSpy teachers(m_manager, &ZUHdManager::sendTeacherData);
    QSignalSpy students(m_manager, &ZUHdManager::sendStudentData);
    QSignalSpy replies(m_manager, &ZUHdManager::sendSetIdData);

    QCOMPARE(m_sim->execute(line), QByteArray("OK"));
    QVERIFY(m_receiver->pollOnce());
    QVERIFY(!m_receiver->pollOnce());
    QCOMPARE(deliverAll(), signal == "none" ? 0 : 1);

    QCOMPARE(teachers.size(), signal == "teacher" ? 1 : 0);
    QCOMPARE(students.size(), signal == "student" ? 1 : 0);
    QCOMPARE(replies.size(), signal == "setid" ? 1 : 0);
    if (signal == "teacher")
        QCOMPARE(teachers.at(0).at(0).value<TeacherInfo>().data, data);
    if (signal == "setid")
        QCOMPARE(replies.at(0).at(0).value<SetIdInfo>().data, data);
    if (signal == "student") {
        const StudentInfo info = students.at(0).at(0).value<StudentInfo>();
        QCOMPARE(info.data, data);
        QCOMPARE(info.keypadId, line.startsWith("key") ? 41 : 0);
        if (line.endsWith(" 3"))
            QCOMPARE(info.quizNumber, 3);
    }
}

void TestZURF228Threads::passesDeliverOneItemOfEachKind()
{
    QSignalSpy teachers(m_manager, &ZUHdManager::sendTeacherData);
    QSignalSpy students(m_manager, &ZUHdManager::sendStudentData);
    for (const char* line : { "key 1 A", "key 2 B", "teacher ok", "key 3 C" }) {
        QCOMPARE(m_sim->execute(line), QByteArray("OK"));
        QVERIFY(m_receiver->pollOnce());
    }

    QVERIFY(m_sender->deliverPass());
    QCOMPARE(teachers.size(), 1);
    QCOMPARE(students.size(), 1);
    QVERIFY(m_sender->deliverPass());
    QVERIFY(m_sender->deliverPass());
    QCOMPARE(teachers.size(), 1);
    QCOMPARE(students.size(), 3);
    QVERIFY(!m_sender->deliverPass());

    QStringList order;
    for (const QList<QVariant>& args : students)
        order << args.at(0).value<StudentInfo>().data;
    QCOMPARE(order, QStringList({ "A", "B", "C" }));
}

void TestZURF228Threads::pauseFollowsHdTime_data()
{
    QTest::addColumn<QString>("hdTime"); // "absent": no such key
    QTest::addColumn<int>("pause");
    QTest::newRow("absent") << "absent" << 2;
    QTest::newRow("zero") << "0" << 2;
    QTest::newRow("negative") << "-5" << 2;
    QTest::newRow("fifty") << "50" << 50;
}

// The value is read once per process, so each row runs pauseInChildProcess in a fresh one.
void TestZURF228Threads::pauseFollowsHdTime()
{
    QFETCH(QString, hdTime);
    QFETCH(int, pause);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAV_TEST_HDTIME", hdTime);
    environment.insert("TAV_TEST_PAUSE", QString::number(pause));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), { "pauseInChildProcess" });
    QVERIFY(child.waitForFinished(30000));
    QVERIFY2(child.exitCode() == 0, child.readAll().constData());
}

void TestZURF228Threads::pauseInChildProcess()
{
    if (!qEnvironmentVariableIsSet("TAV_TEST_HDTIME"))
        QSKIP("run by pauseFollowsHdTime in a process of its own");
    const QString hdTime = qEnvironmentVariable("TAV_TEST_HDTIME");
    const int pause = qEnvironmentVariableIntValue("TAV_TEST_PAUSE");
    QFile ini(m_dir.filePath("TAVConfig.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ClientInfo]\nhdType=rf228\n");
    if (hdTime != "absent")
        ini.write("hdTime=" + hdTime.toUtf8() + "\n");
    ini.close();
    QVERIFY(iniParse::getInstance()->loadFile(ini.fileName()));

    ZURf228Api::getInstance()->initDevice();
    QCOMPARE(ZURF228ReceiverThread::getInstance()->pauseMs(), pause);

    // Taken in one burst, the third answer enters two pauses after the first at the earliest.
    QElapsedTimer clock;
    QAtomicInt count;
    QAtomicInteger<qint64> thirdAt;
    connect(
        ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, this,
        [&](StudentInfo) {
            if (count.fetchAndAddOrdered(1) == 2)
                thirdAt.storeRelease(clock.elapsed());
        },
        Qt::DirectConnection);
    clock.start();
    for (int keypad = 1; keypad <= 3; ++keypad)
        QVERIFY(m_sim->pushKey(keypad, "A"));
    QTRY_VERIFY_WITH_TIMEOUT(thirdAt.loadAcquire() > 0, 5000);
    QVERIFY2(thirdAt.loadAcquire() >= 2 * pause, qPrintable(QString::number(thirdAt.loadAcquire())));
}

QTEST_GUILESS_MAIN(TestZURF228Threads)
#include "TestZURF228Threads.moc"

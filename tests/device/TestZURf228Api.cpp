#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"
#include "ZUHdManager.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The receiver device, and the manager that hands it out and publishes its plugging.
class TestZURf228Api : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void managerFallsBackToReceiver_data();
    void managerFallsBackToReceiver();
    void startUpWithoutReceiverPathOpensNothing_data();
    void startUpWithoutReceiverPathOpensNothing();
    void plugUnplugReplugReportsEachChangeOnce();
    void plugInOpensAndReadsReceiver_data();
    void plugInOpensAndReadsReceiver();
    void answeringPassesStatusOfTheLibrary();
    void cleanupTestCase();

private:
    void pullCable();
    QString poll();

    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    ZURf228Api* m_api = ZURf228Api::getInstance();
};

void TestZURf228Api::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("TAV_RF21X_SOCKET", m_dir.filePath("rf21x.sock").toUtf8());
}

QString TestZURf228Api::poll()
{
    QString message;
    m_api->pollDevice(message);
    return message;
}

// Leaves a device that saw the receiver go and come back, so that the next poll opens and reads it again.
void TestZURf228Api::pullCable()
{
    if (!m_api->deviceHandle())
        m_api->initDevice();
    m_sim->unplug();
    poll();
    m_sim->plug();
}

void TestZURf228Api::managerFallsBackToReceiver_data()
{
    QTest::addColumn<QByteArray>("line");
    // The first row relies on no earlier file having set hdType.
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("rf228") << QByteArray("hdType=rf228");
    QTest::newRow("unknown name") << QByteArray("hdType=rf999");
}

void TestZURf228Api::managerFallsBackToReceiver()
{
    QFETCH(QByteArray, line);
    QFile file(m_dir.filePath("TAVConfig.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[ClientInfo]\nDomain=example.org\n" + line + "\n");
    file.close();
    QVERIFY(iniParse::getInstance()->loadFile(file.fileName()));
    QCOMPARE(ZUHdManager::getInstance()->currentApi(), static_cast<ZUHdApi*>(m_api));
}

void TestZURf228Api::startUpWithoutReceiverPathOpensNothing_data()
{
    QTest::addColumn<QByteArray>("path"); // empty: nothing plugged
    QTest::newRow("no receiver") << QByteArray();
    QTest::newRow("other device") << QByteArray("\\\\?\\hid#vid_046d&pid_c52b#7&1&0&0000#{kbd}");
    QTest::newRow("prefix in another case") << QByteArray("\\\\?\\HID#VID_10C4&pid_8a21#6&2f1c9e37&0&0000#{x}");
}

void TestZURf228Api::startUpWithoutReceiverPathOpensNothing()
{
    QFETCH(QByteArray, path);
    m_sim->reset();
    if (path.isEmpty())
        m_sim->unplug();
    else
        m_sim->setDevicePath(path);
    m_api->initDevice();
    QVERIFY(!m_api->isConnected());
    QVERIFY(m_sim->commands().filter("open").isEmpty());
    QVERIFY(!ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(!ZURF228SendThread::getInstance()->isRunning());
}

void TestZURf228Api::plugUnplugReplugReportsEachChangeOnce()
{
    m_sim->reset();
    pullCable();
    m_sim->clearCommands();
    QSignalSpy changes(ZUHdManager::getInstance(), &ZUHdManager::devChange);
    RF21X_DEVICE device = m_api->deviceHandle();

    QCOMPARE(poll(), QString("硬件连接成功"));
    QCOMPARE(poll(), QString());
    QCOMPARE(m_api->serialNumber(), QString(Rf21xSimulator::defaultSerial()));
    QVERIFY(m_sim->commands().contains("open hid:// 1 40"));
    QVERIFY(m_sim->commands().contains("readDeviceSerialNumber hid:// 12 480317"));
    QVERIFY(ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(ZURF228SendThread::getInstance()->isRunning());

    m_sim->unplug();
    QCOMPARE(poll(), QString("硬件连接异常"));
    QCOMPARE(poll(), QString());
    QVERIFY(m_api->serialNumber().isEmpty());

    m_sim->plug();
    QCOMPARE(poll(), QString("硬件连接成功"));
    QCOMPARE(poll(), QString());
    QCOMPARE(QList<QVariantList>(changes), QList<QVariantList>({ { true }, { false }, { true } }));
    // One device handle for the whole run, reopened after every plug.
    QCOMPARE(m_api->deviceHandle(), device);
    QVERIFY(m_sim->commands().filter("createDevice").isEmpty());
}

void TestZURf228Api::plugInOpensAndReadsReceiver_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("failing"); // library call that returns 0
    QTest::addColumn<QString>("expected");
    const QByteArray path = Rf21xSimulator::defaultDevicePath();
    const QByteArray otherPath = "\\\\?\\hid#vid_10c4&pid_8a21#7&0&0&0#{2}";
    QTest::newRow("serial filling its buffer") << QByteArray("ABCDEFGHIJKL") << path << QString() << "ABCDEFGHIJKL";
    QTest::newRow("serial longer than its buffer")
        << QByteArray("ABCDEFGHIJKLMNOP") << path << QString() << "ABCDEFGHIJKL";
    // Still connected, with an empty serial that binding and sign-in then see.
    QTest::newRow("serial read fails") << QByteArray("RF7") << path << "readDeviceSerialNumber" << QString();
    QTest::newRow("open fails once") << QByteArray("RF7") << path << "open" << QString("RF7");
    QTest::newRow("another receiver") << QByteArray("RF7") << otherPath << QString() << "RF7";
    QTest::newRow("path filling its buffer")
        << QByteArray("RF7") << path.leftJustified(256, 'z', true) << QString() << "RF7";
}

void TestZURf228Api::plugInOpensAndReadsReceiver()
{
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, path);
    QFETCH(QString, failing);
    QFETCH(QString, expected);
    m_sim->reset();
    pullCable();
    m_sim->setSerial(serial);
    m_sim->setDevicePath(path);
    m_sim->setResult(failing, 0);
    if (failing == "open") {
        // Not reported as connected, and tried again on the next poll.
        QTest::ignoreMessage(QtWarningMsg, "****open hd device error");
        QCOMPARE(poll(), QString());
        m_sim->setResult("open", 1);
    }
    QCOMPARE(poll(), QString("硬件连接成功"));
    QCOMPARE(m_api->serialNumber(), expected);
    // The cable check follows the path last seen, so pulling this receiver is noticed.
    m_sim->unplug();
    QCOMPARE(poll(), QString("硬件连接异常"));
}

void TestZURf228Api::answeringPassesStatusOfTheLibrary()
{
    m_sim->reset();
    pullCable();
    poll();
    m_sim->setResult("startQuiz", 6);
    m_sim->setResult("stopQuiz", 0);
    m_sim->clearCommands();
    QCOMPARE(m_api->startSingleQuiz(-1), 6);
    QCOMPARE(m_api->startMultipleQuiz(12), 6);
    QCOMPARE(m_api->startNumberQuiz(), 6);
    QCOMPARE(m_api->stopQuiz(), 0);
    QCOMPARE(m_api->setKeypadId(2019), 1);
    QCOMPARE(m_sim->commands(),
             QStringList({ "startQuiz 2 -1 -1 1", "startQuiz 3 12 -1 1", "startQuiz 4 -1 -1 1", "stopQuiz",
                           "setKeypadId 2019" }));
}

// The control channel came up with the device: its thread is stopped and joined while the test still logs, and
// takes its socket file with it.
void TestZURf228Api::cleanupTestCase()
{
    const bool opened = QFile::exists(Rf21xControlChannel::socketPath());
    Rf21xControlChannel::stop();
    QVERIFY(!QFile::exists(Rf21xControlChannel::socketPath()));
    QVERIFY(opened || !m_api->deviceHandle());
}

QTEST_GUILESS_MAIN(TestZURf228Api)
#include "TestZURf228Api.moc"

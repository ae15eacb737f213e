#include "Rf21xControlChannel.h"
#include "Rf21xSimulator.h"
#include "ZUHdManager.h"
#include "ZURF228ReceiverThread.h"
#include "ZURF228SendThread.h"
#include "ZURf228Api.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kOtherReceiverPath = "\\\\?\\hid#vid_10c4&pid_8a21#7&0000abcd&0&0000#{sim-second}";

} // namespace

class TestZURf228Api : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startUpWithoutReceiverPathOpensNothing_data();
    void startUpWithoutReceiverPathOpensNothing();
    void plugUnplugReplugReportsEachChangeOnce();
    void failedReopenIsRetriedOnNextPoll();
    void serialIsReadUpToItsBuffer_data();
    void serialIsReadUpToItsBuffer();
    void receiverOnNewPathReplacesKeptPath_data();
    void receiverOnNewPathReplacesKeptPath();
    void answeringPassesStatusOfTheLibrary();
    void cleanupTestCase();

private:
    void replug();
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

// Brings the receiver back through a cable pull, so that the next poll opens and reads it again.
void TestZURf228Api::replug()
{
    if (!m_api->deviceHandle()) {
        m_api->initDevice();
    } else {
        m_sim->unplug();
        poll();
        m_sim->plug();
        poll();
    }
    QVERIFY(m_api->isConnected());
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
    QVERIFY(m_api->serialNumber().isEmpty());
    QVERIFY(m_sim->commands().filter("open").isEmpty());
    QVERIFY(!ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(!ZURF228SendThread::getInstance()->isRunning());
}

void TestZURf228Api::plugUnplugReplugReportsEachChangeOnce()
{
    m_sim->reset();
    if (!m_api->deviceHandle()) {
        m_sim->unplug();
        m_api->initDevice();
        m_sim->plug();
    }
    QSignalSpy changes(ZUHdManager::getInstance(), &ZUHdManager::devChange);
    RF21X_DEVICE device = m_api->deviceHandle();

    QCOMPARE(poll(), QString("硬件连接成功"));
    QVERIFY(m_api->isConnected());
    QCOMPARE(m_api->serialNumber(), QString(Rf21xSimulator::defaultSerial()));
    QVERIFY(m_sim->commands().contains("open hid:// 1 40"));
    QVERIFY(m_sim->commands().contains("readDeviceSerialNumber hid:// 12 480317"));
    QVERIFY(ZURF228ReceiverThread::getInstance()->isRunning());
    QVERIFY(ZURF228SendThread::getInstance()->isRunning());
    QCOMPARE(poll(), QString());

    m_sim->unplug();
    QCOMPARE(poll(), QString("硬件连接异常"));
    QVERIFY(!m_api->isConnected());
    QVERIFY(m_api->serialNumber().isEmpty());
    QCOMPARE(poll(), QString());

    m_sim->plug();
    QCOMPARE(poll(), QString("硬件连接成功"));
    QCOMPARE(poll(), QString());
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.at(0).at(0).toBool(), true);
    QCOMPARE(changes.at(1).at(0).toBool(), false);
    QCOMPARE(changes.at(2).at(0).toBool(), true);
    // One device handle for the whole run, reopened after every plug.
    QCOMPARE(m_api->deviceHandle(), device);
    QCOMPARE(m_sim->commands().filter("createDevice").size(), 0);
}

void TestZURf228Api::failedReopenIsRetriedOnNextPoll()
{
    replug();
    QSignalSpy changes(ZUHdManager::getInstance(), &ZUHdManager::devChange);
    m_sim->unplug();
    poll();
    m_sim->plug();
    m_sim->setResult("open", 0);
    QTest::ignoreMessage(QtWarningMsg, "****open hd device error");
    QCOMPARE(poll(), QString());
    QVERIFY(!m_api->isConnected());
    m_sim->setResult("open", 1);
    QCOMPARE(poll(), QString("硬件连接成功"));
    QCOMPARE(changes.size(), 2);
}

void TestZURf228Api::serialIsReadUpToItsBuffer_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("readResult");
    QTest::addColumn<QString>("expected");
    QTest::newRow("short") << QByteArray("RF7") << 1 << QString("RF7");
    QTest::newRow("fills the buffer") << QByteArray("ABCDEFGHIJKL") << 1 << QString("ABCDEFGHIJKL");
    QTest::newRow("longer than the buffer") << QByteArray("ABCDEFGHIJKLMNOP") << 1 << QString("ABCDEFGHIJKL");
    // Still connected, with an empty serial that binding and sign-in then see.
    QTest::newRow("read fails") << QByteArray("RF7") << 0 << QString();
}

void TestZURf228Api::serialIsReadUpToItsBuffer()
{
    QFETCH(QByteArray, serial);
    QFETCH(int, readResult);
    QFETCH(QString, expected);
    m_sim->reset();
    m_sim->setSerial(serial);
    m_sim->setResult("readDeviceSerialNumber", readResult);
    replug();
    QCOMPARE(m_api->serialNumber(), expected);
}

void TestZURf228Api::receiverOnNewPathReplacesKeptPath_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("another receiver") << kOtherReceiverPath;
    QTest::newRow("path filling its buffer") << Rf21xSimulator::defaultDevicePath().leftJustified(256, 'z', true);
}

void TestZURf228Api::receiverOnNewPathReplacesKeptPath()
{
    QFETCH(QByteArray, path);
    m_sim->reset();
    replug();
    m_sim->unplug();
    QCOMPARE(poll(), QString("硬件连接异常"));
    m_sim->setDevicePath(path);
    m_sim->plug();
    QCOMPARE(poll(), QString("硬件连接成功"));
    // The cable check now looks at the new path, so pulling this receiver is noticed.
    m_sim->unplug();
    QCOMPARE(poll(), QString("硬件连接异常"));
}

void TestZURf228Api::answeringPassesStatusOfTheLibrary()
{
    m_sim->reset();
    replug();
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

// The control channel came up with the device; let it finish before its folder goes.
void TestZURf228Api::cleanupTestCase()
{
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Rf21xControlChannel::socketPath()), 5000);
}

QTEST_GUILESS_MAIN(TestZURf228Api)
#include "TestZURf228Api.moc"

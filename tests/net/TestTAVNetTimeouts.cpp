// How long the blocking transport waits for a service that never answers.
#include "NetTestSupport.h"
#include "TAVNetEvent.h"
#include "TavWebService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

namespace {
QStringList g_log;
void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_log.append(message);
}
} // namespace

class TestTAVNetTimeouts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void silentServiceIsGivenUpAfterTheTimeOut_data();
    void silentServiceIsGivenUpAfterTheTimeOut();

private:
    TavWebService m_service;
};

void TestTAVNetTimeouts::initTestCase()
{
    QVERIFY(m_service.start());
    QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
    m_service.setFailure("*", WebFailure::NoAnswer);
}

void TestTAVNetTimeouts::silentServiceIsGivenUpAfterTheTimeOut_data()
{
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("default (-1)") << -1 << 5000;
    QTest::newRow("class-close upload") << 2000 << 2000;
    QTest::newRow("login") << 10000 << 10000;
}

void TestTAVNetTimeouts::silentServiceIsGivenUpAfterTheTimeOut()
{
    QFETCH(int, timeoutMs);
    QFETCH(int, expectedMs);
    g_log.clear();
    QtMessageHandler previous = qInstallMessageHandler(collect);
    QElapsedTimer clock;
    clock.start();
    QByteArray reply = "stale";
    const int code = TAVNetEvent::getInstance()->post("/tav/fastenMachine/tokenLogin", "a=1", timeoutMs, reply);
    const qint64 elapsed = clock.elapsed();
    qInstallMessageHandler(previous);
    QCOMPARE(code, -1);
    QVERIFY(reply.isEmpty());
    QVERIFY2(elapsed >= expectedMs - 50 && elapsed < expectedMs + 1500, qPrintable(QString::number(elapsed)));
    QVERIFY(g_log.contains("net timeout, abort reply"));
}

QTEST_MAIN(TestTAVNetTimeouts)
#include "TestTAVNetTimeouts.moc"

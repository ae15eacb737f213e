// Server address, the start-up reachability probe and the proxy setting.
#include "TAVNetCheck.h"
#include "TavWebService.h"

#include <QApplication>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTest>

class TestTAVNetCheck : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void proxySettingIsHostAndPort_data();
    void proxySettingIsHostAndPort();
    void firstReachableHostWinsAndTheSecondIsNotTried();
    void unreachableHostFallsBackToTheNext();
    void noHostAnswersStoresNothing();
    void builtInHostsAreReachedThroughTheProxy();
};

void TestTAVNetCheck::cleanup()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    qunsetenv("TAV_HTTP_PROXY");
}

void TestTAVNetCheck::proxySettingIsHostAndPort_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host:port") << "127.0.0.1:3128" << true << "127.0.0.1" << 3128;
    QTest::newRow("no port") << "127.0.0.1" << false << "" << 0;
    QTest::newRow("port out of range") << "127.0.0.1:70000" << false << "" << 0;
    QTest::newRow("letters") << "proxy:abc" << false << "" << 0;
    QTest::newRow("unset") << "" << false << "" << 0;
}

void TestTAVNetCheck::proxySettingIsHostAndPort()
{
    QFETCH(QString, setting);
    QFETCH(bool, applied);
    QFETCH(QString, host);
    QFETCH(int, port);
    if (!setting.isEmpty())
        qputenv("TAV_HTTP_PROXY", setting.toUtf8());
    QCOMPARE(TAVNetCheck::applyProxySetting(), applied);
    const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
    QCOMPARE(proxy.type(), applied ? QNetworkProxy::HttpProxy : QNetworkProxy::NoProxy);
    if (applied) {
        QCOMPARE(proxy.hostName(), host);
        QCOMPARE(int(proxy.port()), port);
    }
}

void TestTAVNetCheck::firstReachableHostWinsAndTheSecondIsNotTried()
{
    QTcpServer first;
    QTcpServer second;
    QVERIFY(first.listen(QHostAddress::LocalHost));
    QVERIFY(second.listen(QHostAddress::LocalHost));
    TAVNetCheck* check = TAVNetCheck::getInstance();
    check->setServerList({ "127.0.0.1", "127.0.0.1" },
                         { QString::number(first.serverPort()), QString::number(second.serverPort()) }, 2000);
    check->findServer();
    QCOMPARE(check->probedHost(), QString("127.0.0.1"));
    QCOMPARE(check->probedPort(), int(first.serverPort()));
    QVERIFY(first.waitForNewConnection(2000));
    QVERIFY(!second.waitForNewConnection(200));
}

void TestTAVNetCheck::unreachableHostFallsBackToTheNext()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString closedPort = QString::number(closed.serverPort());
    closed.close();
    QTcpServer open;
    QVERIFY(open.listen(QHostAddress::LocalHost));
    TAVNetCheck* check = TAVNetCheck::getInstance();
    check->setServerList({ "127.0.0.1", "127.0.0.1" }, { closedPort, QString::number(open.serverPort()) }, 2000);
    check->findServer();
    QCOMPARE(check->probedPort(), int(open.serverPort()));
}

void TestTAVNetCheck::noHostAnswersStoresNothing()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString closedPort = QString::number(closed.serverPort());
    closed.close();
    TAVNetCheck* check = TAVNetCheck::getInstance();
    const QString before = check->probedHost();
    const int beforePort = check->probedPort();
    check->setServerList({ "127.0.0.1" }, { closedPort }, 2000);
    check->findServer();
    QCOMPARE(check->probedHost(), before);
    QCOMPARE(check->probedPort(), beforePort);
}

void TestTAVNetCheck::builtInHostsAreReachedThroughTheProxy()
{
    TavWebService service;
    QVERIFY(service.start());
    qputenv("TAV_HTTP_PROXY", service.hostPort().toUtf8());
    QVERIFY(TAVNetCheck::applyProxySetting());
    TAVNetCheck* check = TAVNetCheck::getInstance();
    check->setServerList(TAVNetCheck::builtInHosts(), TAVNetCheck::builtInPorts(), 5000);
    check->findServer();
    QCOMPARE(check->probedHost(), TAVNetCheck::builtInHosts().first());
    QCOMPARE(check->probedPort(), 8801);
    const QList<WebRequest> tunnels = service.requestsTo("CONNECT");
    QCOMPARE(tunnels.size(), 1);
    QCOMPARE(tunnels.first().host, TAVNetCheck::builtInHosts().first() + ":8801");
}

QTEST_MAIN(TestTAVNetCheck)
#include "TestTAVNetCheck.moc"

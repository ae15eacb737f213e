// The blocking transport of the interface thread and the signing of every request kind.
#include "NetTestSupport.h"
#include "TAVNetEvent.h"
#include "TAVNetManager.h"
#include "TavWebService.h"

#include <QApplication>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {
const QString kLogin = QStringLiteral("/tav/fastenMachine/tokenLogin");
const QString kKey = QStringLiteral("7e3a90c41bd8f25a06c9e1b47d2f8a53");

QByteArray loginBody()
{
    const QString params = "username=teacher01&password=" + NetTestSupport::md5("tav123456");
    return (params + "&sign=" + NetTestSupport::md5(params + "&" + kKey)).toUtf8();
}
} // namespace

class TestTAVNetEvent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void signUsesTheApplicationKey();
    void signedRequestsAreAccepted_data();
    void signedRequestsAreAccepted();
    void wrongSignIsRefused();
    void statusOtherThan200GivesMinusOneWithBody_data();
    void statusOtherThan200GivesMinusOneWithBody();
    void refusedConnectionGivesMinusOne();
    void requestUrlIsBuiltFromTheIniFile();
    void valuesAreSentUnescaped();
    void nestedRequestDoesNotTakeOverTheOneWaiting();
    void replyOfTheWaitingRequestSurvivesANestedOne();
    void callFromAnotherThreadIsRefused();

private:
    TavWebService m_service;
};

void TestTAVNetEvent::initTestCase()
{
    QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
}

void TestTAVNetEvent::init()
{
    QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
    m_service.clearFailures();
    m_service.clearRequests();
}

void TestTAVNetEvent::signUsesTheApplicationKey()
{
    QCOMPARE(TAVNetEvent::signKey(), kKey);
    QCOMPARE(TAVNetEvent::sign("creator=teacher01"), NetTestSupport::md5("creator=teacher01&" + kKey));
}

void TestTAVNetEvent::signedRequestsAreAccepted_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("params");
    QTest::newRow("login") << kLogin << "username=teacher01&password=" + NetTestSupport::md5("tav123456");
    QTest::newRow("paper list") << "/tav/testPaper/findPaperList"
                                << "username=teacher01&subjectID=1&page=1&pageSize=7&version=4.2.0";
    QTest::newRow("paper content") << "/tav/testPaper/getPaperByPaperID"
                                   << "username=teacher01&paperID=P1001&version=4.2.0";
    QTest::newRow("receiver binding, class 0, empty serial") << "/tav/fastenMachine/tavClasReceiverBinding"
                                                             << "username=teacher01&classID=0&stationSN=";
    QTest::newRow("keypad binding") << "/tav/fastenMachine/tavStudentMachineBinding"
                                    << "username=teacher01&dovaneID=2024080101&stationSN=RF21X00001&sn=3";
}

void TestTAVNetEvent::signedRequestsAreAccepted()
{
    QFETCH(QString, path);
    QFETCH(QString, params);
    const QByteArray body = (params + "&sign=" + TAVNetEvent::sign(params)).toUtf8();
    QByteArray reply;
    QCOMPARE(TAVNetEvent::getInstance()->post(path, body, -1, reply), 200);
    const QList<WebRequest> seen = m_service.requestsTo(path);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().rawBody, body);
    QVERIFY(seen.first().signOk);
    QVERIFY(!reply.contains("SIGN-ERROR"));
}

void TestTAVNetEvent::wrongSignIsRefused()
{
    const QString params = "username=teacher01&password=" + NetTestSupport::md5("tav123456");
    const QByteArray body = (params + "&sign=" + NetTestSupport::md5(params + "&0000")).toUtf8();
    QByteArray reply;
    QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, body, -1, reply), 200);
    QVERIFY(reply.contains("\"success\":false"));
    QVERIFY(!m_service.requestsTo(kLogin).first().signOk);
}

void TestTAVNetEvent::statusOtherThan200GivesMinusOneWithBody_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("302") << 302 << QByteArray("<a href=\"/elsewhere\">moved</a>");
    QTest::newRow("500") << 500 << QByteArray("<h1>server error</h1>");
    QTest::newRow("404") << 404 << QByteArray("<h1>missing</h1>");
}

void TestTAVNetEvent::statusOtherThan200GivesMinusOneWithBody()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    m_service.setCannedReply(kLogin, status, body);
    QByteArray reply;
    QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, loginBody(), -1, reply), -1);
    QCOMPARE(reply, body);
}

void TestTAVNetEvent::refusedConnectionGivesMinusOne()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const int port = closed.serverPort();
    closed.close();
    QVERIFY(NetTestSupport::useServer("127.0.0.1", port));
    QByteArray reply = "stale";
    QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, loginBody(), -1, reply), -1);
    QVERIFY(reply.isEmpty());
}

void TestTAVNetEvent::requestUrlIsBuiltFromTheIniFile()
{
    QVERIFY(NetTestSupport::useServer("school.example", 8801));
    QCOMPARE(TAVNetManager::serverUrl("/tav/x"), QString("http://school.example:8801/tav/x"));
    QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
    QByteArray reply;
    TAVNetEvent::getInstance()->post(kLogin, loginBody(), -1, reply);
    QCOMPARE(m_service.requestsTo(kLogin).first().host, m_service.hostPort());
}

void TestTAVNetEvent::valuesAreSentUnescaped()
{
    const QByteArray body = "username=a&b=c&password=x=y+z%&sign=0";
    QByteArray reply;
    TAVNetEvent::getInstance()->post(kLogin, body, -1, reply);
    QCOMPARE(m_service.requestsTo(kLogin).first().rawBody, body);
}

void TestTAVNetEvent::nestedRequestDoesNotTakeOverTheOneWaiting()
{
    m_service.setFailure("/slow", WebFailure::NoAnswer);
    int innerCode = 0;
    QByteArray innerReply;
    QTimer::singleShot(0, [&] { innerCode = TAVNetEvent::getInstance()->post(kLogin, loginBody(), 3000, innerReply); });
    QByteArray outerReply = "stale";
    QCOMPARE(TAVNetEvent::getInstance()->post("/slow", "x=1", 1000, outerReply), -1);
    QVERIFY(outerReply.isEmpty());
    QCOMPARE(innerCode, 200);
    QVERIFY(innerReply.contains("\"success\":true"));
}

void TestTAVNetEvent::replyOfTheWaitingRequestSurvivesANestedOne()
{
    m_service.setFailure("/slow", WebFailure::NoAnswer);
    int innerCode = 0;
    QByteArray innerReply = "stale";
    QTimer::singleShot(0, [&] { innerCode = TAVNetEvent::getInstance()->post("/slow", "x=1", 800, innerReply); });
    QByteArray outerReply;
    QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, loginBody(), 3000, outerReply), 200);
    QVERIFY(outerReply.contains("\"teaName\""));
    QCOMPARE(innerCode, -1);
    QVERIFY(innerReply.isEmpty());
}

void TestTAVNetEvent::callFromAnotherThreadIsRefused()
{
    TAVNetEvent::getInstance();
    int code = 0;
    QThread* worker = QThread::create([&] {
        QByteArray reply;
        code = TAVNetEvent::getInstance()->post(kLogin, loginBody(), -1, reply);
    });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;
    QCOMPARE(code, -1);
    QVERIFY(m_service.requestsTo(kLogin).isEmpty());
}

QTEST_MAIN(TestTAVNetEvent)
#include "TestTAVNetEvent.moc"

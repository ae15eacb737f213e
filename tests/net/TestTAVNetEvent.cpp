// The blocking transport of the interface thread (signing, results, time-outs, nested calls) and the server probe.
#include "NetTestSupport.h"
#include "TAVNetCheck.h"
#include "TAVNetEvent.h"
#include "TavWebService.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <functional>

namespace {
const QString kLogin = QStringLiteral("/tav/fastenMachine/tokenLogin");
const QString kLoginParams = "username=teacher01&password=" + TavWebService::md5Hex("tav123456");
const QByteArray kLoginBody = (kLoginParams + "&sign=" + TAVNetEvent::sign(kLoginParams)).toUtf8();
} // namespace

class TestTAVNetEvent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(m_service.start());
    }
    void init()
    {
        QVERIFY(NetTestSupport::useServer("127.0.0.1", m_service.port()));
        m_service.clearFailures();
        m_service.clearRequests();
    }

    void everyRequestKindIsSigned_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("accepted");
        const QString key = TavWebService::signKey();
        QTest::newRow("login") << kLogin << kLoginParams << key << true;
        QTest::newRow("paper list") << "/tav/testPaper/findPaperList"
                                    << "username=teacher01&subjectID=1&page=1&pageSize=7&version=4.2.0" << key << true;
        QTest::newRow("paper content") << "/tav/testPaper/getPaperByPaperID"
                                       << "username=teacher01&paperID=P1001&version=4.2.0" << key << true;
        QTest::newRow("receiver binding, empty serial") << "/tav/fastenMachine/tavClasReceiverBinding"
                                                        << "username=teacher01&classID=0&stationSN=" << key << true;
        QTest::newRow("keypad binding") << "/tav/fastenMachine/tavStudentMachineBinding"
                                        << "username=teacher01&dovaneID=2024080101&stationSN=RF21X00001&sn=3" << key
                                        << true;
        QTest::newRow("value with & and = goes unescaped")
            << "/tav/testPaper/getPaperByPaperID"
            << "username=teacher01&paperID=P1&x=2&version=4.2.0" << key << true;
        QTest::newRow("parameters out of order are refused")
            << "/tav/testPaper/getPaperByPaperID"
            << "paperID=P1001&username=teacher01&version=4.2.0" << key << false;
        QTest::newRow("wrong key is refused") << kLogin << kLoginParams << "0000" << false;
    }
    void everyRequestKindIsSigned()
    {
        QFETCH(QString, path);
        QFETCH(QString, params);
        QFETCH(QString, key);
        QFETCH(bool, accepted);
        const bool rightKey = key == TavWebService::signKey();
        const QString sign = TavWebService::md5Hex(params + "&" + key);
        if (rightKey)
            QCOMPARE(TAVNetEvent::sign(params), sign);
        const QByteArray body = (params + "&sign=" + sign).toUtf8();
        QByteArray reply;
        QCOMPARE(TAVNetEvent::getInstance()->post(path, body, -1, reply), 200);
        QCOMPARE(reply.contains("SIGN-ERROR"), !accepted);
        const QList<WebRequest> seen = m_service.requestsTo(path);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().rawBody, body);
        QCOMPARE(seen.first().signOk, accepted);
    }

    void failedRequestGivesMinusOneWithItsBody_data()
    {
        QTest::addColumn<int>("status"); // 0: nobody listens
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("302") << 302 << QByteArray("<a href=\"/elsewhere\">moved</a>");
        QTest::newRow("500") << 500 << QByteArray("<h1>server error</h1>");
        QTest::newRow("refused connection") << 0 << QByteArray();
    }
    void failedRequestGivesMinusOneWithItsBody()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        if (status) {
            m_service.setCannedReply(kLogin, status, body);
        } else {
            QTcpServer gone; // its port is free again once it is destroyed
            QVERIFY(gone.listen(QHostAddress::LocalHost));
            QVERIFY(NetTestSupport::useServer("127.0.0.1", gone.serverPort()));
        }
        QByteArray reply = "stale";
        QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, kLoginBody, -1, reply), -1);
        QCOMPARE(reply, body);
    }

    void silentServiceIsGivenUpAfterEachTimeOut()
    {
        m_service.setFailure("*", WebFailure::NoAnswer);
        // The login's, the default and the class-close upload's time-outs, waited at once as nested calls.
        const QList<int> timeouts { 10000, -1, 2000 };
        const QList<int> expected { 10000, 5000, 2000 };
        QList<qint64> elapsed { -1, -1, -1 };
        std::function<void(int)> send = [&](int i) {
            if (i + 1 < timeouts.size())
                QTimer::singleShot(0, [&send, i] { send(i + 1); });
            QElapsedTimer clock;
            clock.start();
            QByteArray reply = "stale";
            if (TAVNetEvent::getInstance()->post(kLogin, "a=1", timeouts.at(i), reply) == -1 && reply.isEmpty())
                elapsed[i] = clock.elapsed();
        };
        send(0);
        for (int i = 0; i < timeouts.size(); ++i) {
            QVERIFY2(elapsed.at(i) >= expected.at(i) - 50 && elapsed.at(i) < expected.at(i) + 1500,
                     qPrintable(QString("time-out %1 ended after %2 ms").arg(timeouts.at(i)).arg(elapsed.at(i))));
        }
    }

    void nestedRequestKeepsItsOwnReply_data()
    {
        QTest::addColumn<bool>("outerIsSlow");
        QTest::newRow("answer arrives for the nested call") << true;
        QTest::newRow("answer arrives for the waiting call") << false;
    }
    void nestedRequestKeepsItsOwnReply()
    {
        QFETCH(bool, outerIsSlow);
        m_service.setFailure("/slow", WebFailure::NoAnswer);
        const auto send = [](bool slow, QByteArray& reply) {
            return slow ? TAVNetEvent::getInstance()->post("/slow", "x=1", 800, reply)
                        : TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 3000, reply);
        };
        int innerCode = 0;
        QByteArray innerReply = "stale";
        QTimer::singleShot(0, [&] { innerCode = send(!outerIsSlow, innerReply); });
        QByteArray outerReply = "stale";
        const int outerCode = send(outerIsSlow, outerReply);
        QCOMPARE(innerCode, outerIsSlow ? 200 : -1);
        QCOMPARE(outerCode, outerIsSlow ? -1 : 200);
        QVERIFY((outerIsSlow ? innerReply : outerReply).contains("\"teaName\""));
        QVERIFY((outerIsSlow ? outerReply : innerReply).isEmpty());
    }

    void probeKeepsTheFirstReachableHost_data()
    {
        QTest::addColumn<int>("found"); // the first of the two listed servers that listens; -1: neither
        QTest::newRow("first answers, second not tried") << 0;
        QTest::newRow("first unreachable") << 1;
        QTest::newRow("none answers, nothing stored") << -1;
    }
    void probeKeepsTheFirstReachableHost()
    {
        QFETCH(int, found);
        QTcpServer servers[2];
        QStringList ports;
        for (QTcpServer& server : servers) {
            QVERIFY(server.listen(QHostAddress::LocalHost));
            ports << QString::number(server.serverPort());
        }
        for (int i = 0; i < 2; ++i) {
            if (found == -1 || i < found)
                servers[i].close();
        }
        TAVNetCheck* check = TAVNetCheck::getInstance();
        const int before = check->probedPort();
        check->setServerList({ "127.0.0.1", "127.0.0.1" }, ports, 2000);
        check->findServer();
        QCOMPARE(check->probedPort(), found == -1 ? before : ports.at(found).toInt());
        if (found == 0)
            QVERIFY(!servers[1].waitForNewConnection(200));
    }

private:
    TavWebService m_service;
};

QTEST_MAIN(TestTAVNetEvent)
#include "TestTAVNetEvent.moc"

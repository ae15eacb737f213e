// The blocking transport of the interface thread (signing, results, time-outs, nested calls), the server probe and
// the file download.
#include "BusyThread.h"
#include "HttpDownFile.h"
#include "NetTestSupport.h"
#include "PeakMemory.h"
#include "TAVNetCheck.h"
#include "TAVNetEvent.h"
#include "TAVNetManager.h"
#include "TavWebService.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {
const QString kLogin = QStringLiteral("/tav/fastenMachine/tokenLogin");
const QString kLoginParams = "username=teacher01&password=" + TavWebService::md5Hex("tav123456");
const QByteArray kLoginBody = (kLoginParams + "&sign=" + TAVNetEvent::sign(kLoginParams)).toUtf8();

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class TestTAVNetEvent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(m_service.start());
        QVERIFY(m_dir.isValid());
        for (int i = 0; i < 300000; ++i)
            m_big.append(char('a' + i % 26));
        m_service.setStaticFile("/files/big.bin", m_big);
        m_service.setStaticFile("/files/empty", QByteArray());
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
        const QString key = TavWebService::signKey();
        QTest::newRow("login") << kLogin << kLoginParams << key;
        QTest::newRow("paper list") << "/tav/testPaper/findPaperList"
                                    << "username=teacher01&subjectID=1&page=1&pageSize=7&version=4.2.0" << key;
        QTest::newRow("paper content") << "/tav/testPaper/getPaperByPaperID"
                                       << "username=teacher01&paperID=P1001&version=4.2.0" << key;
        QTest::newRow("receiver binding, empty serial") << "/tav/fastenMachine/tavClasReceiverBinding"
                                                        << "username=teacher01&classID=0&stationSN=" << key;
        QTest::newRow("keypad binding") << "/tav/fastenMachine/tavStudentMachineBinding"
                                        << "username=teacher01&dovaneID=2024080101&stationSN=RF21X00001&sn=3" << key;
        QTest::newRow("value with & and = goes unescaped") << "/tav/testPaper/getPaperByPaperID"
                                                           << "username=teacher01&paperID=P1&x=2&version=4.2.0" << key;
        QTest::newRow("wrong key is refused") << kLogin << kLoginParams << "0000";
    }
    void everyRequestKindIsSigned()
    {
        QFETCH(QString, path);
        QFETCH(QString, params);
        QFETCH(QString, key);
        const bool accepted = key == TavWebService::signKey();
        const QString sign = TavWebService::md5Hex(params + "&" + key);
        QCOMPARE(TAVNetEvent::sign(params) == sign, accepted);
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
        const int timeouts[3] = { 10000, -1, 2000 }, expected[3] = { 10000, 5000, 2000 };
        qint64 elapsed[3] = { -1, -1, -1 };
        std::function<void(int)> send = [&](int i) {
            if (i < 2)
                QTimer::singleShot(0, [&send, i] { send(i + 1); });
            QElapsedTimer clock;
            clock.start();
            QByteArray reply = "stale";
            if (TAVNetEvent::getInstance()->post(kLogin, "a=1", timeouts[i], reply) == -1 && reply.isEmpty())
                elapsed[i] = clock.elapsed();
        };
        send(0);
        // Never before the time-out; after it, within a margin a busy machine keeps.
        for (int i = 0; i < 3; ++i)
            QVERIFY2(elapsed[i] >= expected[i] - 50 && elapsed[i] < expected[i] * 5,
                     qPrintable(QString("time-out %1: %2 ms").arg(timeouts[i]).arg(elapsed[i])));
    }

    // Given up at its time-out after its headers came with status 200: a failure, with the part of the body read.
    void replyCutAtItsTimeOutIsAFailure()
    {
        m_service.setTrickledReply(kLogin, 200);
        DbTestSupport::LogCapture log;
        QByteArray reply = "stale";
        QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 1000, reply), -1);
        QVERIFY2(reply.size() < 10, reply.constData());
        QCOMPARE(m_service.requestsTo(kLogin).value(0).status, 200);
        QCOMPARE(log.count("****reply cut short"), 1);
    }

    // A request given up is closed; reading it anyway only fills the log with "device not open".
    void givenUpRequestIsNotRead()
    {
        m_service.setFailure("*", WebFailure::NoAnswer);
        HttpDownFile::getInstance()->setStallTimeout(200);
        DbTestSupport::LogCapture log;
        QByteArray reply = "stale";
        QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 200, reply), -1);
        QVERIFY(!HttpDownFile::getInstance()->downFile(m_dir.filePath("given-up.bin"), url("/files/big.bin")));
        QVERIFY(log.contains("net timeout, abort reply"));
        QCOMPARE(log.count("device not open"), 0);
    }

    void oversizedReplyIsRefusedUnread_data()
    {
        QTest::addColumn<qint64>("size"); // of the body; 0: the normal reply
        QTest::addColumn<int>("code");
        QTest::newRow("normal reply") << qint64(0) << 200;
        QTest::newRow("one byte above the cap") << TAVNetManager::kMaxReplyBytes + 1 << int(TAVNetEvent::ReplyTooLarge);
        QTest::newRow("a gigabyte") << (qint64(1) << 30) << int(TAVNetEvent::ReplyTooLarge);
    }
    void oversizedReplyIsRefusedUnread()
    {
        QFETCH(qint64, size);
        QFETCH(int, code);
        if (size)
            m_service.setOversizedReply(kLogin, size);
        QByteArray reply = "stale";
        // A time-out no starved machine comes near: the refusal, not the clock, ends the request.
        QCOMPARE(TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 60000, reply), code);
        QCOMPARE(reply.contains("\"teaName\""), size == 0);
        QCOMPARE(reply.isEmpty(), size != 0);
    }

    // A reply far over the cap at loopback speed while the interface thread is held up for a second: refused,
    // by its announced length before it comes, and never piled up in memory.
    void fastReplyToABusyInterfaceStaysWithinTheCap_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::newRow("length announced") << true;
        QTest::newRow("length unannounced") << false;
    }
    void fastReplyToABusyInterfaceStaysWithinTheCap()
    {
        QFETCH(bool, announced);
        m_service.setOversizedReply(kLogin, 256 * 1024 * 1024, announced);
        QMetaObject::Connection busy = connect(&m_service, &TavWebService::requestReceived, this,
                                               [](const WebRequest&) { BusyThread::workFor(1000); });
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        QByteArray reply = "stale";
        const int code = TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 20000, reply);
        const qint64 grown = memory.bytes();
        disconnect(busy);
        QCOMPARE(code, int(TAVNetEvent::ReplyTooLarge));
        QVERIFY(reply.isEmpty());
        QVERIFY2(grown < 64 * 1024 * 1024, qPrintable(memory.describe()));
    }

    // About a megabyte that inflates to a gigabyte: refused from its headers, never inflated, with its length and
    // chunked, whatever encoding the server chose against the request's.
    void compressedReplyIsRefusedUninflated_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("chunked");
        QTest::newRow("gzip") << QByteArray("gzip") << false;
        QTest::newRow("gzip, chunked") << QByteArray("gzip") << true;
        QTest::newRow("deflate") << QByteArray("deflate") << false;
        QTest::newRow("deflate, chunked") << QByteArray("deflate") << true;
    }
    void compressedReplyIsRefusedUninflated()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(bool, chunked);
        m_service.setCompressedReply(kLogin, qint64(1) << 30, encoding, chunked);
        DbTestSupport::LogCapture log;
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        QByteArray reply = "stale";
        const int code = TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 20000, reply);
        const qint64 grown = memory.bytes();
        QCOMPARE(code, int(TAVNetEvent::ReplyTooLarge));
        QVERIFY(reply.isEmpty());
        QVERIFY2(grown < 32 * 1024 * 1024, qPrintable(memory.describe()));
        QCOMPARE(log.count("****reply refused, sent with Content-Encoding " + encoding), 1);
        QCOMPARE(m_service.requestsTo(kLogin).value(0).header("accept-encoding"), QByteArray("identity"));
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
        // The answered request may wait long on a busy machine: only the silent one is meant to time out.
        const auto send = [](bool slow, QByteArray& reply) {
            return slow ? TAVNetEvent::getInstance()->post("/slow", "x=1", 800, reply)
                        : TAVNetEvent::getInstance()->post(kLogin, kLoginBody, 30000, reply);
        };
        QByteArray replies[2] = { "stale", "stale" }; // slow, answered
        int innerCode = 0;
        QTimer::singleShot(0, [&] { innerCode = send(!outerIsSlow, replies[outerIsSlow ? 1 : 0]); });
        const int outerCode = send(outerIsSlow, replies[outerIsSlow ? 0 : 1]);
        QCOMPARE(outerIsSlow ? QList<int>({ outerCode, innerCode }) : QList<int>({ innerCode, outerCode }),
                 QList<int>({ -1, 200 }));
        QVERIFY(replies[0].isEmpty());
        QVERIFY(replies[1].contains("\"teaName\""));
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
        for (int i = 0; i < 2 && (found == -1 || i < found); ++i)
            servers[i].close();
        TAVNetCheck* check = TAVNetCheck::getInstance();
        const int before = check->probedPort();
        check->setServerList({ "127.0.0.1", "127.0.0.1" }, ports, 2000);
        check->findServer();
        QCOMPARE(check->probedPort(), found == -1 ? before : ports.at(found).toInt());
        if (found == 0)
            QVERIFY(!servers[1].waitForNewConnection(200));
    }

    void downloadSucceedsOnlyWithTheWholeBody_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<WebFailure>("failure");
        QTest::addColumn<bool>("folder"); // false: the target's folder is missing, nothing is sent
        QTest::addColumn<bool>("ok");
        QTest::newRow("300 KB over a longer file") << "/files/big.bin" << WebFailure::None << true << true;
        QTest::newRow("empty body") << "/files/empty" << WebFailure::None << true << true;
        QTest::newRow("404") << "/files/nothing" << WebFailure::None << true << false;
        QTest::newRow("500") << "/files/big.bin" << WebFailure::Http500 << true << false;
        QTest::newRow("stalled") << "/files/big.bin" << WebFailure::NoAnswer << true << false;
        QTest::newRow("no folder") << "/files/big.bin" << WebFailure::None << false << false;
    }
    void downloadSucceedsOnlyWithTheWholeBody()
    {
        QFETCH(QString, path);
        QFETCH(WebFailure, failure);
        QFETCH(bool, folder);
        QFETCH(bool, ok);
        m_service.setFailure(path, failure);
        HttpDownFile::getInstance()->setStallTimeout(failure == WebFailure::NoAnswer ? 300 : 30000);
        const QString target = m_dir.filePath(folder ? "a.bin" : "no/such/a.bin");
        QFile old(target);
        if (old.open(QIODevice::WriteOnly))
            old.write(QByteArray(400000, 'x'));
        old.close();
        QCOMPARE(HttpDownFile::getInstance()->downFile(target, url(path)), ok);
        QCOMPARE(m_service.requests().size(), folder ? 1 : 0);
        if (ok)
            QCOMPARE(readFile(target), path == "/files/big.bin" ? m_big : QByteArray());
    }

    // A capped download (the teacher's picture) that passes its size or its time is dropped with its file.
    void cappedDownloadDropsItsPartialFile_data()
    {
        QTest::addColumn<WebFailure>("failure");
        QTest::addColumn<bool>("ok");
        QTest::newRow("within both caps") << WebFailure::None << true;
        QTest::newRow("larger than the cap") << WebFailure::Oversized << false;
        QTest::newRow("too slow") << WebFailure::Trickle << false;
    }
    void cappedDownloadDropsItsPartialFile()
    {
        QFETCH(WebFailure, failure);
        QFETCH(bool, ok);
        const qint64 cap = 1024 * 1024;
        if (failure == WebFailure::Oversized)
            m_service.setOversizedReply("/files/big.bin", 2 * cap);
        else
            m_service.setFailure("/files/big.bin", failure);
        const QString target = m_dir.filePath("capped.bin");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(HttpDownFile::getInstance()->downFile(target, url("/files/big.bin"), cap, 1000), ok);
        QVERIFY(clock.elapsed() < HttpDownFile::kStallTimeoutMs * 2 / 3); // the deadline, not the stall time-out
        QCOMPARE(QFile::exists(target), ok);
        if (ok)
            QCOMPARE(readFile(target), m_big);
    }

    void failedDownloadLeavesTheNextFileAlone()
    {
        const QString second = m_dir.filePath("second.bin");
        QVERIFY(!HttpDownFile::getInstance()->downFile(m_dir.filePath("first.bin"), url("/files/nothing")));
        QVERIFY(HttpDownFile::getInstance()->downFile(second, url("/files/big.bin")));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(readFile(second), m_big);
    }

private:
    QString url(const QString& path) const { return "http://" + m_service.hostPort() + path; }

    TavWebService m_service;
    QTemporaryDir m_dir;
    QByteArray m_big;
};

QTEST_MAIN(TestTAVNetEvent)
#include "TestTAVNetEvent.moc"

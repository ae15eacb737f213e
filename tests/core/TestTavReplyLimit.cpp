// A reply's size cap on its edge: a body of exactly the cap is kept whole, one byte more is refused, whether its
// length is announced or learnt by reading.
#include "TavReplyLimit.h"
#include "TavWebService.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

namespace {
const qint64 kCap = 100000;
}

class TestTavReplyLimit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_service.start()); }

    void bodyAtTheCapIsKeptAndOneByteMoreIsRefused_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("announced");
        for (const bool announced : { true, false }) {
            const char* how = announced ? "announced" : "unannounced";
            QTest::addRow("one byte below the cap, %s", how) << kCap - 1 << announced;
            QTest::addRow("exactly the cap, %s", how) << kCap << announced;
            QTest::addRow("one byte above the cap, %s", how) << kCap + 1 << announced;
        }
    }
    void bodyAtTheCapIsKeptAndOneByteMoreIsRefused()
    {
        QFETCH(qint64, size);
        QFETCH(bool, announced);
        m_service.setOversizedReply("/body", size, announced);
        QNetworkAccessManager manager;
        QNetworkReply* reply
            = manager.get(TavReplyLimit::plainRequest(QUrl("http://" + m_service.hostPort() + "/body")));
        auto* limit = new TavReplyLimit(reply, kCap);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(20000));
        limit->takeAvailable();
        const bool over = size > kCap;
        QCOMPARE(limit->exceeded(), over);
        QCOMPARE(limit->refusal().isEmpty(), !over);
        QCOMPARE(reply->error() == QNetworkReply::NoError, !over);
        if (over) {
            // An announced length is refused from the headers, before any of the body is taken.
            QCOMPARE(limit->refusal().contains("announced"), announced);
            QVERIFY(limit->taken() <= (announced ? 0 : kCap));
        } else {
            QCOMPARE(limit->taken(), size);
            QCOMPARE(limit->body(), QByteArray(int(size), 'x'));
        }
        delete reply;
    }

private:
    TavWebService m_service;
};

QTEST_GUILESS_MAIN(TestTavReplyLimit)
#include "TestTavReplyLimit.moc"

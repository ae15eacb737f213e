#include "Rf21xAnswerKey.h"
#include "TavWebService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// What the local web service leaves beside its data for the simulated keypads when it serves a paper: the
// answer key of that paper, read as the keypads read it.
class TestTavWebService : public QObject
{
    Q_OBJECT

private slots:
    void servedPaperLeavesItsKey_data();
    void servedPaperLeavesItsKey();

private:
    // Asks for the paper as the program does; the reply's "success".
    bool fetchPaper(const TavWebService& service, const QString& paperID);
};

bool TestTavWebService::fetchPaper(const TavWebService& service, const QString& paperID)
{
    const QString form = "username=teacher01&paperID=" + paperID + "&version=4.2.0";
    const QString sign = TavWebService::md5Hex(form + "&" + TavWebService::signKey());
    QNetworkRequest request(QUrl("http://" + service.hostPort() + "/tav/testPaper/getPaperByPaperID"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply* reply = network.post(request, (form + "&sign=" + sign).toUtf8());
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(30000))
        return false;
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).object().value("success").toBool();
}

void TestTavWebService::servedPaperLeavesItsKey_data()
{
    QTest::addColumn<QString>("paperID");
    QTest::addColumn<QStringList>("answers"); // of the paper's questions, items separated by "|"
    QTest::addColumn<QStringList>("key"); // mcsn/question, right answer, form
    QTest::newRow("demo paper") << "P1001" << QStringList()
                                << QStringList { "1/1 B 0",  "2/2 C 0",   "3/3 A 0",  "4/3 D 0",
                                                 "5/4 AC 1", "6/5 BCD 1", "7/6 AC 1", "8/6 B 0" };
    QTest::newRow("numbers and an item without answer")
        << "P9001" << QStringList { "12", "-3.5|B", "A||C" }
        << QStringList { "1/1 12 2", "2/2 -3.5 2", "3/2 B 0", "4/3 A 0", "5/3  0", "6/3 C 0" };
}

void TestTavWebService::servedPaperLeavesItsKey()
{
    QFETCH(QString, paperID);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, key);
    QTemporaryDir dir;
    const QString keyFile = dir.filePath("served-key.json");
    TavWebService service;
    QVERIFY(service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    if (!answers.isEmpty()) {
        QJsonArray questions;
        for (int q = 0; q < answers.size(); ++q)
            questions.append(QJsonObject { { "questionID", QString::number(9000 + q) },
                                           { "structID", 1 },
                                           { "sn", q + 1 },
                                           { "answer", answers.at(q) } });
        QJsonObject data = service.data();
        data["papers"] = QJsonArray { QJsonObject { { "paperID", paperID }, { "questions", questions } } };
        service.setData(data);
    }
    service.setServedKeyFile(keyFile);
    QVERIFY(service.start());

    // A paper that is not there leaves no key.
    QVERIFY(!fetchPaper(service, "P0000"));
    QVERIFY(!QFile::exists(keyFile));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    QVERIFY(fetchPaper(service, paperID));
    const Rf21xAnswerKey served = Rf21xAnswerKey::read(keyFile);
    QStringList items;
    for (const Rf21xAnswerKey::Item& item : served.items())
        items << QString("%1/%2 %3 %4").arg(item.mcsn).arg(item.question).arg(QString(item.answer)).arg(item.form);
    QCOMPARE(items, key);
    QVERIFY(served.served() >= before.addMSecs(-1) && served.served() <= QDateTime::currentDateTimeUtc());
}

QTEST_GUILESS_MAIN(TestTavWebService)
#include "TestTavWebService.moc"

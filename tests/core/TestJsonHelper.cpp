#include "JsonHelper.h"

#include <QJsonDocument>
#include <QtTest>

class TestJsonHelper : public QObject
{
    Q_OBJECT
private slots:
    void parseReply_data();
    void parseReply();
};

void TestJsonHelper::parseReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("errorCode");
    QTest::newRow("empty body") << QByteArray() << false << QByteArray("{}") << "500";
    QTest::newRow("html error page") << QByteArray("<html>502 Bad Gateway</html>") << false << QByteArray("{}")
                                     << "500";
    QTest::newRow("array, not an object") << QByteArray(R"([{"success":true}])") << false << QByteArray("{}") << "500";
    QTest::newRow("full reply") << QByteArray(R"({"success":true,"result":{"token":"abc"},"errorCode":"0"})") << true
                                << QByteArray(R"({"token":"abc"})") << "0";
    QTest::newRow("result not an object, success as text")
        << QByteArray(R"({"success":"true","result":[1],"errorCode":"X"})") << false << QByteArray("{}") << "X";
}

void TestJsonHelper::parseReply()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, result);
    const JsonReply reply = JsonHelper::getInstance()->parseReply(body);
    QTEST(reply.success, "success");
    QCOMPARE(QJsonDocument(reply.result).toJson(QJsonDocument::Compact), result);
    QTEST(reply.errorCode, "errorCode");
}

QTEST_GUILESS_MAIN(TestJsonHelper)
#include "TestJsonHelper.moc"

#include "JsonHelper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

class TestJsonHelper : public QObject
{
    Q_OBJECT
private slots:
    void parseReply_data();
    void parseReply();
    void toJsonIsCompactUtf8();
};

void TestJsonHelper::parseReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("errorCode");

    QTest::newRow("empty body") << QByteArray() << false << QByteArray("{}") << "500";
    QTest::newRow("html") << QByteArray("<html><body>502 Bad Gateway</body></html>") << false << QByteArray("{}")
                          << "500";
    QTest::newRow("array") << QByteArray(R"([{"success":true}])") << false << QByteArray("{}") << "500";
    QTest::newRow("truncated object") << QByteArray(R"({"success":true,"result":{)") << false << QByteArray("{}")
                                      << "500";
    QTest::newRow("success only") << QByteArray(R"({"success": true})") << true << QByteArray("{}") << "";
    QTest::newRow("success as text") << QByteArray(R"({"success": "true"})") << false << QByteArray("{}") << "";
    QTest::newRow("array result") << QByteArray(R"({"success": false, "result": [1, 2], "errorCode": "X"})") << false
                                  << QByteArray("{}") << "X";
    QTest::newRow("numeric error code") << QByteArray(R"({"success": false, "errorCode": 403})") << false
                                        << QByteArray("{}") << "";
    QTest::newRow("full reply") << QByteArray(
        R"({"success": true, "result": {"token": "abc", "list": [1]}, "errorCode": "0"})")
                                << true << QByteArray(R"({"list":[1],"token":"abc"})") << "0";
    QTest::newRow("empty object") << QByteArray("{}") << false << QByteArray("{}") << "";
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

void TestJsonHelper::toJsonIsCompactUtf8()
{
    QJsonObject object;
    object.insert("recordName", QStringLiteral("语文-三年二班"));
    object.insert("localRecordID", 7);
    object.insert("list", QJsonArray { 1, 2 });
    const QByteArray bytes = JsonHelper::getInstance()->toJson(object);
    QCOMPARE(bytes, QStringLiteral(R"({"list":[1,2],"localRecordID":7,"recordName":"语文-三年二班"})").toUtf8());
}

QTEST_GUILESS_MAIN(TestJsonHelper)
#include "TestJsonHelper.moc"

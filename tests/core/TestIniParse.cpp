#include "iniParse.h"

#include <QTemporaryDir>
#include <QtTest>

class TestIniParse : public QObject
{
    Q_OBJECT
private slots:
    void loadFile_data();
    void loadFile();
};

void TestIniParse::loadFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("hdTime");
    QTest::addColumn<QString>("hdType");
    QTest::newRow("no file") << QByteArray() << false << "" << 0 << 0 << "rf228";
    QTest::newRow("every key") << QByteArray("[ClientInfo]\r\nDomain=school.example\r\nServerPort=8080\r\n"
                                             "hdTime=50\r\nhdType=rf219\r\n")
                               << true << "school.example" << 8080 << 50 << "rf219";
    QTest::newRow("empty hdType, port of letters")
        << QByteArray("[ClientInfo]\nServerPort=abc\nhdType=\n") << true << "" << 0 << 0 << "rf228";
    QTest::newRow("keys outside the group")
        << QByteArray("Domain=a\n[Other]\nServerPort=1\n") << true << "" << 0 << 0 << "rf228";
}

void TestIniParse::loadFile()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath("TAVConfig.ini");
    QFile file(path);
    QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
    file.close();

    iniParse ini;
    QTEST(ini.loadFile(path), "loaded");
    QTEST(ini.getDomain(), "domain");
    QTEST(ini.getServerPort(), "port");
    QTEST(ini.getHdTime(), "hdTime");
    QTEST(ini.getHdType(), "hdType");
}

QTEST_GUILESS_MAIN(TestIniParse)
#include "TestIniParse.moc"

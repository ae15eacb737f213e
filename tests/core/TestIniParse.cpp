#include "iniParse.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIniParse : public QObject
{
    Q_OBJECT
private slots:
    void missingFileKeepsDefaults();
    void readsClientInfo_data();
    void readsClientInfo();
    void laterLoadReplacesOnlyItsKeys();

private:
    QString writeIni(const QByteArray& content);
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestIniParse::writeIni(const QByteArray& content)
{
    const QString path = m_dir.filePath(QString("TAVConfig%1.ini").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QString();
    }
    file.write(content);
    return path;
}

void TestIniParse::missingFileKeepsDefaults()
{
    iniParse ini;
    QVERIFY(!ini.loadFile(m_dir.filePath("absent/TAVConfig.ini")));
    QCOMPARE(ini.getDomain(), QString());
    QCOMPARE(ini.getServerPort(), 0);
    QCOMPARE(ini.getHdTime(), 0);
    QCOMPARE(ini.getHdType(), QString("rf228"));
}

void TestIniParse::readsClientInfo_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("hdTime");
    QTest::addColumn<QString>("hdType");

    QTest::newRow("all keys") << QByteArray("[ClientInfo]\r\nDomain=school.example\r\nServerPort=8080\r\n"
                                            "hdTime=50\r\nhdType=rf219\r\n")
                              << "school.example" << 8080 << 50 << "rf219";
    QTest::newRow("empty hdType") << QByteArray("[ClientInfo]\nDomain=a\nServerPort=1\nhdTime=2\nhdType=\n") << "a" << 1
                                  << 2 << "rf228";
    QTest::newRow("port of letters") << QByteArray("[ClientInfo]\nServerPort=abc\nhdTime=x1\n") << "" << 0 << 0
                                     << "rf228";
    QTest::newRow("group in other case") << QByteArray("[clientinfo]\nDomain=a\nServerPort=1\n") << "" << 0 << 0
                                         << "rf228";
    QTest::newRow("keys in other case") << QByteArray("[ClientInfo]\ndomain=a\nserverport=1\nHDTYPE=x\n") << "" << 0
                                        << 0 << "rf228";
    QTest::newRow("no group") << QByteArray("Domain=a\n") << "" << 0 << 0 << "rf228";
    QTest::newRow("empty file") << QByteArray() << "" << 0 << 0 << "rf228";
}

void TestIniParse::readsClientInfo()
{
    QFETCH(QByteArray, content);
    const QString path = writeIni(content);
    QVERIFY(!path.isEmpty());

    iniParse ini;
    QVERIFY(ini.loadFile(path));
    QTEST(ini.getDomain(), "domain");
    QTEST(ini.getServerPort(), "port");
    QTEST(ini.getHdTime(), "hdTime");
    QTEST(ini.getHdType(), "hdType");
}

void TestIniParse::laterLoadReplacesOnlyItsKeys()
{
    iniParse ini;
    QVERIFY(ini.loadFile(writeIni("[ClientInfo]\nDomain=first\nServerPort=81\n")));
    QVERIFY(ini.loadFile(writeIni("[ClientInfo]\nServerPort=82\n")));
    QVERIFY(!ini.loadFile(m_dir.filePath("gone.ini")));
    QCOMPARE(ini.getDomain(), QString("first"));
    QCOMPARE(ini.getServerPort(), 82);
}

QTEST_GUILESS_MAIN(TestIniParse)
#include "TestIniParse.moc"

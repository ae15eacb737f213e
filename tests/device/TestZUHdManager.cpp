#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZURf228Api.h"

#include "iniParse.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

class FakeDevice : public ZUHdApi
{
public:
    void initDevice() override { }
    void pollDevice(QString&) override { }
    bool isConnected() override { return false; }
    QString serialNumber() override { return QString(); }
    bool openDevice() override { return false; }
    int stopQuiz() override { return 0; }
    int startSingleQuiz(int) override { return 0; }
    int startMultipleQuiz(int) override { return 0; }
    int startNumberQuiz() override { return 0; }
    int setKeypadId(int) override { return 0; }
};

} // namespace

class TestZUHdManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void currentApiFollowsHdType_data();
    void currentApiFollowsHdType();

private:
    void loadHdType(const QByteArray& line);

    QTemporaryDir m_dir;
    FakeDevice m_fake;
};

void TestZUHdManager::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCOMPARE(ZUHdManager::registerApi("fake", &m_fake), 1);
}

void TestZUHdManager::loadHdType(const QByteArray& line)
{
    QFile file(m_dir.filePath("TAVConfig.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[ClientInfo]\nDomain=example.org\n" + line + "\n");
    file.close();
    QVERIFY(iniParse::getInstance()->loadFile(file.fileName()));
}

void TestZUHdManager::currentApiFollowsHdType_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("expectFake");
    // The first row relies on no earlier file having set hdType.
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray("hdType=") << false;
    QTest::newRow("rf228") << QByteArray("hdType=rf228") << false;
    QTest::newRow("unknown name") << QByteArray("hdType=rf999") << false;
    QTest::newRow("other registered device") << QByteArray("hdType=fake") << true;
}

void TestZUHdManager::currentApiFollowsHdType()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, expectFake);
    loadHdType(line);
    ZUHdApi* expected = expectFake ? static_cast<ZUHdApi*>(&m_fake) : ZURf228Api::getInstance();
    QCOMPARE(ZUHdManager::getInstance()->currentApi(), expected);
}

QTEST_GUILESS_MAIN(TestZUHdManager)
#include "TestZUHdManager.moc"

// Blocking file download: the result belongs to its own reply and file.
#include "HttpDownFile.h"
#include "TavWebService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class TestHttpDownFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void downloadWritesTheWholeBody_data();
    void downloadWritesTheWholeBody();
    void errorStatusIsAFailure_data();
    void errorStatusIsAFailure();
    void missingFolderSendsNothing();
    void failedDownloadLeavesTheNextFileAlone();
    void stalledDownloadIsGivenUp();
    void pictureHostIsReachedThroughTheProxy();

private:
    QString url(const QString& path) const { return "http://" + m_service.hostPort() + path; }

    TavWebService m_service;
    QTemporaryDir m_dir;
    QByteArray m_big;
};

void TestHttpDownFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
    QVERIFY(m_service.start());
    for (int i = 0; i < 300000; ++i)
        m_big.append(char('a' + i % 26));
    m_service.setStaticFile("/files/big.bin", m_big);
    m_service.setStaticFile("/files/small.txt", "small");
    m_service.setStaticFile("/files/empty", QByteArray());
}

void TestHttpDownFile::init()
{
    m_service.clearFailures();
    m_service.clearRequests();
    HttpDownFile::getInstance()->setStallTimeout(HttpDownFile::kStallTimeoutMs);
}

void TestHttpDownFile::downloadWritesTheWholeBody_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("300 KB") << "/files/big.bin" << m_big;
    QTest::newRow("empty body") << "/files/empty" << QByteArray();
}

void TestHttpDownFile::downloadWritesTheWholeBody()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, expected);
    const QString target = m_dir.filePath("download.bin");
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(400000, 'x'));
    old.close();
    QVERIFY(HttpDownFile::getInstance()->downFile(target, url(path)));
    QCOMPARE(readFile(target), expected);
}

void TestHttpDownFile::errorStatusIsAFailure_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<WebFailure>("failure");
    QTest::newRow("404") << "/files/nothing" << WebFailure::None;
    QTest::newRow("500") << "/files/small.txt" << WebFailure::Http500;
}

void TestHttpDownFile::errorStatusIsAFailure()
{
    QFETCH(QString, path);
    QFETCH(WebFailure, failure);
    m_service.setFailure(path, failure);
    const QString target = m_dir.filePath("error.bin");
    QVERIFY(!HttpDownFile::getInstance()->downFile(target, url(path)));
    QVERIFY(QFile::exists(target));
}

void TestHttpDownFile::missingFolderSendsNothing()
{
    QVERIFY(!HttpDownFile::getInstance()->downFile(m_dir.filePath("no/such/folder/file.bin"), url("/files/small.txt")));
    QVERIFY(m_service.requests().isEmpty());
}

void TestHttpDownFile::failedDownloadLeavesTheNextFileAlone()
{
    const QString first = m_dir.filePath("first.bin");
    const QString second = m_dir.filePath("second.bin");
    QVERIFY(!HttpDownFile::getInstance()->downFile(first, url("/files/nothing")));
    QVERIFY(HttpDownFile::getInstance()->downFile(second, url("/files/big.bin")));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(readFile(second), m_big);
}

void TestHttpDownFile::stalledDownloadIsGivenUp()
{
    m_service.setFailure("/files/small.txt", WebFailure::NoAnswer);
    HttpDownFile::getInstance()->setStallTimeout(300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!HttpDownFile::getInstance()->downFile(m_dir.filePath("stalled.bin"), url("/files/small.txt")));
    QVERIFY(clock.elapsed() < 3000);
}

void TestHttpDownFile::pictureHostIsReachedThroughTheProxy()
{
    m_service.useAsApplicationProxy();
    const QString target = m_dir.filePath("1001Text.png");
    const bool ok = HttpDownFile::getInstance()->downFile(target, "http://img.content.example/paper/1001Text.png");
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(ok);
    QVERIFY(readFile(target).startsWith("\x89PNG"));
    QCOMPARE(m_service.requests().first().host, QString("img.content.example"));
}

QTEST_MAIN(TestHttpDownFile)
#include "TestHttpDownFile.moc"

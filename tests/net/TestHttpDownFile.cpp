// Blocking file download: the result belongs to its own reply and file.
#include "HttpDownFile.h"
#include "TavWebService.h"

#include <QApplication>
#include <QFile>
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
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_service.start());
        for (int i = 0; i < 300000; ++i)
            m_big.append(char('a' + i % 26));
        m_service.setStaticFile("/files/big.bin", m_big);
        m_service.setStaticFile("/files/empty", QByteArray());
    }

    void downloadSucceedsOnlyWithTheWholeBody_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("path");
        QTest::addColumn<WebFailure>("failure");
        QTest::addColumn<bool>("ok");
        QTest::newRow("300 KB over a longer file") << "a.bin"
                                                   << "/files/big.bin" << WebFailure::None << true;
        QTest::newRow("empty body") << "a.bin"
                                    << "/files/empty" << WebFailure::None << true;
        QTest::newRow("404") << "a.bin"
                             << "/files/nothing" << WebFailure::None << false;
        QTest::newRow("500") << "a.bin"
                             << "/files/big.bin" << WebFailure::Http500 << false;
        QTest::newRow("stalled") << "a.bin"
                                 << "/files/big.bin" << WebFailure::NoAnswer << false;
        QTest::newRow("no folder, nothing sent") << "no/such/a.bin"
                                                 << "/files/big.bin" << WebFailure::None << false;
    }
    void downloadSucceedsOnlyWithTheWholeBody()
    {
        QFETCH(QString, file);
        QFETCH(QString, path);
        QFETCH(WebFailure, failure);
        QFETCH(bool, ok);
        m_service.clearFailures();
        m_service.clearRequests();
        m_service.setFailure(path, failure);
        HttpDownFile::getInstance()->setStallTimeout(failure == WebFailure::NoAnswer ? 300 : 30000);
        const QString target = m_dir.filePath(file);
        QFile old(target);
        if (old.open(QIODevice::WriteOnly))
            old.write(QByteArray(400000, 'x'));
        old.close();
        QCOMPARE(HttpDownFile::getInstance()->downFile(target, url(path)), ok);
        QCOMPARE(m_service.requests().size(), file.contains('/') ? 0 : 1);
        if (ok)
            QCOMPARE(readFile(target), path == "/files/big.bin" ? m_big : QByteArray());
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

QTEST_MAIN(TestHttpDownFile)
#include "TestHttpDownFile.moc"

// The blocking download when its body comes faster than a busy interface thread takes it, and when its file
// cannot be written.
#include "BusyThread.h"
#include "DbTestSupport.h"
#include "FullDisk.h"
#include "HttpDownFile.h"
#include "PeakMemory.h"
#include "TavWebService.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
const qint64 kMiB = 1024 * 1024;
}

class TestHttpDownFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.loadDataFile(TAV_SOURCE_DIR "/tests/support/webservice/demo.json"));
        QVERIFY(m_service.start());
        QVERIFY(m_dir.isValid());
        m_service.setStaticFile("/files/small.bin", QByteArray(300000, 's'));
    }

    void init()
    {
        m_service.clearFailures();
        m_service.clearRequests();
        HttpDownFile::getInstance()->setStallTimeout(HttpDownFile::kStallTimeoutMs);
    }

    // A gigabyte-fast body while the interface thread is held up for a second: the reply never piles up in memory,
    // and not a byte past the cap reaches the disk; a body announced larger is refused before it comes.
    void fastBodyToABusyInterfaceStaysWithinTheCap_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::newRow("length announced") << true;
        QTest::newRow("length unannounced") << false;
    }

    void fastBodyToABusyInterfaceStaysWithinTheCap()
    {
        QFETCH(bool, announced);
        const qint64 cap = kMiB;
        m_service.setOversizedReply("/files/huge.bin", 256 * kMiB, announced);
        const QString target = m_dir.filePath("huge.bin");
        const QString seen = m_dir.filePath("huge.seen");
        QVERIFY(secondName(target, seen));
        QMetaObject::Connection busy = connect(&m_service, &TavWebService::requestReceived, this,
                                               [](const WebRequest&) { BusyThread::workFor(1000); });
        QVERIFY(PeakMemory::reset());
        const qint64 before = PeakMemory::currentBytes();
        DbTestSupport::LogCapture log;
        const bool ok = HttpDownFile::getInstance()->downFile(target, url("/files/huge.bin"), cap);
        const qint64 grown = PeakMemory::peakBytes() - before;
        disconnect(busy);
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(target));
        QVERIFY2(QFileInfo(seen).size() <= (announced ? 0 : cap), qPrintable(QString::number(QFileInfo(seen).size())));
        QVERIFY2(grown < 64 * kMiB, qPrintable(QString("%1 MiB more at the peak").arg(grown / kMiB)));
        QCOMPARE(log.count(announced ? "bytes announced, more than" : "****download given up, more than"), 1);
    }

    // On a full disk the download fails and leaves no file behind as if it were whole.
    void fullDiskFailsTheDownload()
    {
        const QString target = m_dir.filePath("full.bin");
        const QString seen = m_dir.filePath("full.seen");
        QVERIFY(secondName(target, seen));
        DbTestSupport::LogCapture log;
        FullDisk disk;
        QVERIFY(disk.isFull());
        const bool ok = HttpDownFile::getInstance()->downFile(target, url("/files/small.bin"), 4 * kMiB, 20000);
        disk.free();
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(QFileInfo(seen).size(), 0);
        QCOMPARE(log.count("****download given up, cannot write"), 1);
    }

private:
    QString url(const QString& path) const { return "http://" + m_service.hostPort() + path; }

    // The file, empty, under a second name that outlives the download's removal of its own: what was written.
    static bool secondName(const QString& path, const QString& second)
    {
        QFile::remove(path);
        QFile::remove(second);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && ::link(QFile::encodeName(path), QFile::encodeName(second)) == 0;
    }

    TavWebService m_service;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestHttpDownFile)
#include "TestHttpDownFile.moc"

// The blocking download when its body comes faster than a busy interface thread takes it, when its file cannot
// be written, and the teacher's input while it waits, a box opened meanwhile included.
#include "BusyThread.h"
#include "DbTestSupport.h"
#include "FullDisk.h"
#include "HttpDownFile.h"
#include "PeakMemory.h"
#include "TavWebService.h"
#include "WindowInput.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
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
        // Trickled, a byte every 100 ms: two seconds.
        m_service.setStaticFile("/files/tiny.bin", QByteArray(20, 't'));
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
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        DbTestSupport::LogCapture log;
        const bool ok = HttpDownFile::getInstance()->downFile(target, url("/files/huge.bin"), cap);
        const qint64 grown = memory.bytes();
        qInfo().noquote() << memory.describe(); // the figure in every run's log, not only a failing one's
        disconnect(busy);
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(target));
        QVERIFY2(QFileInfo(seen).size() <= (announced ? 0 : cap), qPrintable(QString::number(QFileInfo(seen).size())));
        QVERIFY2(grown < 64 * kMiB, qPrintable(memory.describe()));
        QCOMPARE(log.count(announced ? "bytes announced, more than" : "****download given up, more than"), 1);
    }

    // A picture of about a megabyte that inflates to a gigabyte, sent compressed against the request: refused
    // before any of it is inflated or written.
    void compressedPictureIsRefusedUninflated_data()
    {
        QTest::addColumn<bool>("chunked");
        QTest::newRow("with its length") << false;
        QTest::newRow("chunked") << true;
    }

    void compressedPictureIsRefusedUninflated()
    {
        QFETCH(bool, chunked);
        m_service.setCompressedReply("/files/bomb.png", qint64(1) << 30, "gzip", chunked);
        const QString target = m_dir.filePath("bomb.png");
        const QString seen = m_dir.filePath("bomb.seen");
        QVERIFY(secondName(target, seen));
        DbTestSupport::LogCapture log;
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        const bool ok = HttpDownFile::getInstance()->downFile(target, url("/files/bomb.png"), 16 * kMiB);
        const qint64 grown = memory.bytes();
        QVERIFY(!ok);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(QFileInfo(seen).size(), 0);
        QVERIFY2(grown < 32 * kMiB, qPrintable(memory.describe()));
        QCOMPARE(log.count("****download given up, sent with Content-Encoding gzip"), 1);
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

    // While a download waits, a window named for it takes the teacher's clicks at once, and any other window's are
    // dropped. Without one, every click waits until the download is over.
    void inputReachesOnlyTheWindowNamedForIt_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("a window named") << true;
        QTest::newRow("none named") << false;
    }

    void inputReachesOnlyTheWindowNamedForIt()
    {
        QFETCH(bool, named);
        QPushButton dialog("dialog"), other("other");
        dialog.setGeometry(100, 100, 200, 60);
        other.setGeometry(400, 100, 200, 60);
        dialog.show();
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog) && QTest::qWaitForWindowExposed(&other));
        QSignalSpy dialogClicks(&dialog, &QPushButton::clicked), otherClicks(&other, &QPushButton::clicked);
        m_service.setFailure("/files/tiny.bin", WebFailure::Trickle);
        QMetaObject::Connection clickOnArrival
            = connect(&m_service, &TavWebService::requestReceived, this, [&](const WebRequest&) {
                  QVERIFY(WindowInput::click(&dialog));
                  QVERIFY(WindowInput::click(&other));
              });
        int clickedWhileWaiting = -1;
        HttpDownFile::getInstance()->setInputWindow(named ? &dialog : nullptr);
        // Asked while the download waits: the click on the named window gives it up.
        const bool ok = HttpDownFile::getInstance()->downFile(m_dir.filePath("input.bin"), url("/files/tiny.bin"), -1,
                                                              20000, [&] {
                                                                  clickedWhileWaiting = dialogClicks.count();
                                                                  return dialogClicks.isEmpty();
                                                              });
        HttpDownFile::getInstance()->setInputWindow(nullptr);
        disconnect(clickOnArrival);
        QCOMPARE(ok, !named);
        QCOMPARE(clickedWhileWaiting, named ? 1 : 0);
        QCoreApplication::processEvents();
        QCOMPARE(dialogClicks.count(), 1);
        QCOMPARE(otherClicks.count(), named ? 0 : 1);
    }

    // A box that opens while a download waits (a message from elsewhere in the program) takes the teacher's click
    // and closes, whether or not a window was named for the download's input; then the download ends as it would.
    void boxOpenedMeanwhileTakesItsInput_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("a window named") << true;
        QTest::newRow("none named") << false;
    }

    void boxOpenedMeanwhileTakesItsInput()
    {
        QFETCH(bool, named);
        QPushButton dialog("dialog");
        dialog.setGeometry(100, 100, 200, 60);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QDialog box;
        box.setModal(true);
        box.setGeometry(400, 300, 240, 120);
        QPushButton* confirm = new QPushButton("确认", &box);
        confirm->setGeometry(60, 40, 120, 40);
        connect(confirm, &QPushButton::clicked, &box, &QDialog::accept);
        bool boxOpened = false, boxClicked = false, downloadRunning = false;
        QString met;
        QTimer clickWhenShown;
        clickWhenShown.setInterval(20);
        connect(&clickWhenShown, &QTimer::timeout, this, [&] {
            if (boxClicked || !box.isVisible() || !box.windowHandle() || !box.windowHandle()->isExposed())
                return;
            boxClicked = WindowInput::click(confirm);
        });
        // Nobody else answers it: a click that goes nowhere ends the test rather than the box.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [&] {
            met = boxClicked ? "the box stayed open after its click" : "the box never showed";
            box.reject();
        });
        m_service.setFailure("/files/tiny.bin", WebFailure::Trickle);
        QMetaObject::Connection openOnArrival
            = connect(&m_service, &TavWebService::requestReceived, this, [&](const WebRequest&) {
                  QTimer::singleShot(0, this, [&] {
                      boxOpened = downloadRunning;
                      clickWhenShown.start();
                      giveUp.start(10000);
                      box.exec();
                      clickWhenShown.stop();
                      giveUp.stop();
                  });
              });
        HttpDownFile::getInstance()->setInputWindow(named ? &dialog : nullptr);
        downloadRunning = true;
        const bool ok
            = HttpDownFile::getInstance()->downFile(m_dir.filePath("box.bin"), url("/files/tiny.bin"), -1, 20000);
        downloadRunning = false;
        HttpDownFile::getInstance()->setInputWindow(nullptr);
        disconnect(openOnArrival);
        QVERIFY2(met.isEmpty(), qPrintable(met));
        QVERIFY(boxOpened);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QVERIFY(ok);
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

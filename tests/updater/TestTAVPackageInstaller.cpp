#include "PackageMaker.h"
#include "TAVPackageInstaller.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <archive_entry.h>

using PackageMaker::readFile;
using PackageMaker::writeFile;

// What an update package may hold, and that it is unpacked outside the calling thread.
class TestTAVPackageInstaller : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_root;
    QString m_programDir;

private slots:
    void init()
    {
        m_root.reset(new QTemporaryDir);
        m_programDir = m_root->filePath("prog");
        QVERIFY(writeFile(m_programDir + "/TAV", "old program", true));
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("refused");
        // The teacher's data, as Windows names it too.
        for (const char* kept :
             { "TAVSqlite.db", "tavsqlite.DB", "TAVSqlite.db-journal", "TAVSqlite.db-wal", "TAVSqlite.db-shm",
               "TAVSqlite.db.pending", "TAVSqlite.db.pending.set-aside-20261210093000", "conf", "conf/TAVConfig.ini",
               "CONF/TAVConfig.ini", "ErrorLog/TAVLog.txt", "Thumbnails/1.png", "PaperData/7/q1.png" })
            QTest::newRow(kept) << QString(kept) << true;
        // Look-alikes elsewhere are program files like any other.
        for (const char* free : { "TAV", "TAVSqlite.db.sample", "config/x.ini", "conf.txt", "docs/conf/x.ini",
                                  "sub/TAVSqlite.db", "Resources/images/logo.png", "language/zh_CN/x.qm" })
            QTest::newRow(free) << QString(free) << false;
    }

    void refusal()
    {
        QFETCH(QString, entry);
        QFETCH(bool, refused);
        QCOMPARE(!TAVPackageInstaller::refusal(entry).isEmpty(), refused);
    }

    void unpacksOutsideCallingThread()
    {
        const QByteArray program = "new program " + QByteArray(300000, 'p');
        const QString package = m_root->filePath("package.7z");
        QVERIFY(PackageMaker::writeRaw7z(package, { { "TAV", AE_IFREG, program, 0755 } }));
        TAVPackageInstaller installer;
        QVector<QThread*> threads;
        QVector<qint64> bytes;
        connect(
            &installer, &TAVPackageInstaller::progress, this,
            [&](qint64 done, qint64 total) {
                threads.append(QThread::currentThread());
                bytes.append(total == program.size() ? done : -1);
            },
            Qt::DirectConnection);
        QSignalSpy finished(&installer, &TAVPackageInstaller::finished);
        installer.start(package, m_programDir);
        QVERIFY(installer.isRunning());
        QVERIFY(finished.wait(60000)); // a bound only a hang reaches, however busy the machine
        QCOMPARE(finished.first(), QVariantList({ true, QString() }));
        QVERIFY(!installer.isRunning());
        QCOMPARE(readFile(m_programDir + "/TAV"), program);
        QVERIFY(bytes.size() > 2 && bytes.first() == 0 && bytes.last() == program.size());
        QVERIFY(!threads.contains(QThread::currentThread()));
    }
};

QTEST_GUILESS_MAIN(TestTAVPackageInstaller)
#include "TestTAVPackageInstaller.moc"

#include "Lib7z.h"
#include "PackageMaker.h"

#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <archive_entry.h>

#include <clocale>
#include <functional>
#include <unistd.h>

using PackageMaker::readFile;
using PackageMaker::writeFile;

// Remembers what the extraction told it, and lets a test act once a file is in place.
struct Recorder : Lib7z::ExtractCallback
{
    int progressCalls = 0;
    QStringList installed;
    std::function<void(const QString&)> onInstalled;

    void unpacked(qint64, qint64) override { ++progressCalls; }
    void fileInstalled(const QString& relativePath) override
    {
        installed.append(relativePath);
        if (onInstalled)
            onInstalled(relativePath);
    }
};

// Extraction of update packages: what is installed, and that hostile or damaged packages change nothing.
class TestLib7z : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_root;
    QString m_target; // the installation
    QString m_outside; // must never be touched
    QByteArray m_program;

    static bool extract(const QString& archivePath, const QString& target, QString* error,
                        Lib7z::ExtractCallback* callback = nullptr, const Lib7z::Limits& limits = {})
    {
        QFile archive(archivePath);
        return archive.open(QIODevice::ReadOnly) && Lib7z::extractArchive(&archive, target, callback, error, limits);
    }

    QString makePackage(const QStringList& switches = {})
    {
        // The program comes first, so it is staged before damage further on shows.
        const QString path = m_root->filePath("package.7z"), source = m_root->filePath("src");
        const bool made = writeFile(source + "/TAV", m_program + "v2", true)
            && writeFile(source + "/sub/深/中文.txt", "新内容")
            && writeFile(source + "/sub/logo.png", QByteArray(5000, 'p')) && QDir().mkpath(source + "/emptydir")
            && PackageMaker::make7z(path, source, { "TAV", "sub", "emptydir" }, switches);
        return made ? path : QString();
    }

private slots:
    void initTestCase()
    {
        m_program = readFile(QStringLiteral(TAV_STANDIN_PATH));
        QVERIFY(!m_program.isEmpty());
        // Under the C locale libarchive loses every Chinese name unless init() mends the character type.
        std::setlocale(LC_CTYPE, "C");
        Lib7z::init();
    }

    void init()
    {
        m_root.reset(new QTemporaryDir);
        m_target = m_root->filePath("prog");
        m_outside = m_root->filePath("outside");
        QVERIFY(writeFile(m_target + "/TAV", m_program, true) && writeFile(m_target + "/sub/深/中文.txt", "旧内容"));
        QVERIFY(writeFile(m_target + "/keep.txt", "not in the package") && writeFile(m_outside + "/victim.txt", "out"));
    }

    void installsOverRunningProgram_data()
    {
        QTest::addColumn<bool>("by7Zip");
        QTest::newRow("made by 7-Zip") << true;
        QTest::newRow("without modes, as from Windows") << false;
    }

    void installsOverRunningProgram()
    {
        QFETCH(bool, by7Zip);
        QString package = m_root->filePath("windows.7z");
        if (by7Zip)
            package = makePackage();
        else
            QVERIFY(PackageMaker::writeRaw7z(package,
                                             { { "TAV", AE_IFREG, m_program + "v2" },
                                               { "sub/深/中文.txt", AE_IFREG, "新内容" },
                                               { "emptydir", AE_IFDIR, {}, 0755 } }));
        // Writing over the file of a running program fails on Linux; replacing it must not.
        QProcess running;
        running.start(m_target + "/TAV", { "--wait" });
        QVERIFY(running.waitForReadyRead(60000));
        QString error;
        const bool done = extract(package, m_target, &error);
        running.closeWriteChannel();
        QVERIFY(running.waitForFinished(60000));
        QVERIFY2(done, qPrintable(error));

        QCOMPARE(readFile(m_target + "/TAV"), m_program + "v2");
        QVERIFY(QFileInfo(m_target + "/TAV").isExecutable());
        QCOMPARE(QString::fromUtf8(readFile(m_target + "/sub/深/中文.txt")), QString("新内容"));
        // Files not in the package stay, the empty folder arrives and no staging folder is left behind.
        QCOMPARE(QDir(m_target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({ "TAV", "emptydir", "keep.txt", "sub" }));
    }

    void refusesBadPackageWithoutChange_data()
    {
        // A hostile entry after a good one (libarchive's writer), or a package made by 7-Zip, then damaged.
        QTest::addColumn<QByteArray>("rawName");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QString>("damage");
        const QStringList none;
        QTest::newRow("parent") << QByteArray("../escape.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("parent inside a folder") << QByteArray("sub/../../escape.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("parent with backslashes") << QByteArray("..\\escape.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("absolute name") << QByteArray("@outside/abs.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("drive prefix") << QByteArray("C:\\escape.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("drive after a dot") << QByteArray("./C:evil.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("drive after dots and backslashes")
            << QByteArray(".\\.\\c:evil.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("unc prefix") << QByteArray("\\\\server\\share\\escape.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("the install's own journal") << QByteArray(".lib7z-journal") << int(AE_IFREG) << none << "";
        QTest::newRow("in a staging folder's name")
            << QByteArray(".lib7z-staging-x/a.txt") << int(AE_IFREG) << none << "";
        QTest::newRow("symbolic link") << QByteArray("link") << int(AE_IFLNK) << none << "";
        QTest::newRow("fifo") << QByteArray("pipe") << int(AE_IFIFO) << none << "";
        QTest::newRow("file over a folder") << QByteArray("sub") << int(AE_IFREG) << none << "";
        QTest::newRow("link in the installation") << QByteArray("sub/escape.txt") << int(AE_IFREG) << none << "link";
        QTest::newRow("encrypted") << QByteArray() << 0 << QStringList { "-psecret" } << "";
        QTest::newRow("method libarchive lacks") << QByteArray() << 0 << QStringList { "-m0=Deflate64" } << "";
        QTest::newRow("truncated to half") << QByteArray() << 0 << none << "half";
        QTest::newRow("damaged compressed body") << QByteArray() << 0 << none << "flip";
        QTest::newRow("damaged stored body") << QByteArray() << 0 << QStringList { "-mx0" } << "flip";
    }

    void refusesBadPackageWithoutChange()
    {
        QFETCH(QByteArray, rawName);
        QFETCH(int, type);
        QFETCH(QStringList, switches);
        QFETCH(QString, damage);
        QString package = m_root->filePath("bad.7z");
        if (damage == "link")
            QVERIFY(QDir(m_target + "/sub").removeRecursively() && QFile::link(m_outside, m_target + "/sub"));
        if (!rawName.isEmpty()) {
            rawName.replace("@outside", QFile::encodeName(m_outside));
            const QByteArray link = type == AE_IFLNK ? QFile::encodeName(m_outside) : QByteArray();
            QVERIFY(PackageMaker::writeRaw7z(package,
                                             { { "TAV", AE_IFREG, "new program", 0755 },
                                               { rawName, type, type == AE_IFREG ? "x" : "", 0644, link } }));
        } else {
            package = makePackage(switches);
            QByteArray bytes = readFile(package);
            QVERIFY(!bytes.isEmpty());
            bytes.chop(damage == "half" ? bytes.size() / 2 : 0);
            // Stored bodies follow the 32-byte signature header, the program first: this hits a later file.
            for (int i = 0, from = switches.isEmpty() ? bytes.size() / 3 : 32 + m_program.size() + 100;
                 damage == "flip" && i < 64; ++i)
                bytes[from + i] = char(bytes.at(from + i) ^ 0x5A);
            QVERIFY(writeFile(package, bytes));
        }
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        QString error;
        QVERIFY(!extract(package, m_target, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(PackageMaker::snapshot(m_root->path()), before);
    }

    void failedInstallPutsEverythingBack_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QByteArray>("lastEntry");
        // The last file cannot go into its folder: without write permission there, or, as root, which writes
        // through permissions, because a folder holding a file appeared in its place once the others were in.
        QTest::newRow("last file cannot be placed") << "permission" << QByteArray("sub/late.txt");
        // Root writes through permissions: a file appears where a folder must go once the others are in.
        QTest::newRow("file in the way half-way") << "file" << QByteArray("late/late.txt");
    }

    void failedInstallPutsEverythingBack()
    {
        QFETCH(QString, obstacle);
        QFETCH(QByteArray, lastEntry);
        // Replaced files and new folders come before the entry that cannot be placed.
        const QString package = m_root->filePath("package.7z");
        QVERIFY(PackageMaker::writeRaw7z(package,
                                         { { "TAV", AE_IFREG, m_program + "v2", 0755 },
                                           { "sub/深/中文.txt", AE_IFREG, "新内容" },
                                           { "fresh/deeper/new.txt", AE_IFREG, "new" },
                                           { "fresh/empty", AE_IFDIR, {}, 0755 },
                                           { lastEntry, AE_IFREG, "late" } }));
        Recorder recorder;
        const bool asRoot = ::geteuid() == 0;
        const QString blocker = m_target + (obstacle == "file" ? "/late" : "/sub/late.txt");
        if (obstacle == "permission" && !asRoot)
            QVERIFY(QFile::setPermissions(m_target + "/sub", QFile::ReadOwner | QFile::ExeOwner));
        else
            recorder.onInstalled = [&](const QString& path) {
                if (path != "fresh/deeper/new.txt")
                    return;
                if (obstacle == "file")
                    writeFile(blocker, "in the way");
                else if (QDir().mkpath(blocker))
                    writeFile(blocker + "/kept.txt", "in the way");
            };
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        QString error;
        const bool done = extract(package, m_target, &error, &recorder);
        QFile::setPermissions(m_target + "/sub", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!done);
        QVERIFY2(error.contains(lastEntry.left(4)) && !error.contains("put back"), qPrintable(error));
        QCOMPARE(recorder.installed, QStringList({ "TAV", "sub/深/中文.txt", "fresh/deeper/new.txt" }));
        QVERIFY(!QFileInfo::exists(blocker) || QFile::remove(blocker) || QDir(blocker).removeRecursively());
        // The old program and text are back; the new folders and the staging and backup folders are gone.
        QCOMPARE(PackageMaker::snapshot(m_root->path()), before);
    }

    void refusesOversizedPackageBeforeWriting_data()
    {
        QTest::addColumn<int>("entries"); // 4 files of 3000 bytes, the rest empty files
        QTest::addColumn<int>("maxEntries");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<qint64>("spareBytes");
        QTest::addColumn<bool>("installed");
        const Lib7z::Limits real;
        QTest::newRow("at the limits") << 5 << 5 << qint64(12000) << qint64(0) << true;
        QTest::newRow("more entries than the real limit")
            << real.maxEntries + 1 << real.maxEntries << real.maxBytes << real.spareBytes << false;
        QTest::newRow("more bytes than the limit") << 5 << 5 << qint64(11999) << real.spareBytes << false;
        QTest::newRow("more than the disk has free")
            << 5 << 5 << real.maxBytes << QStorageInfo(QDir::tempPath()).bytesAvailable() + (qint64(1) << 40) << false;
    }

    void refusesOversizedPackageBeforeWriting()
    {
        QFETCH(int, entries);
        QFETCH(int, maxEntries);
        QFETCH(qint64, maxBytes);
        QFETCH(qint64, spareBytes);
        QFETCH(bool, installed);
        QVector<PackageMaker::RawEntry> raw;
        for (int i = 0; i < entries; ++i)
            raw.append({ "many/" + QByteArray::number(i), AE_IFREG, i < 4 ? QByteArray(3000, char('a' + i)) : "" });
        const QString package = m_root->filePath("big.7z");
        QVERIFY(PackageMaker::writeRaw7z(package, raw));
        Lib7z::Limits limits;
        limits.maxEntries = maxEntries;
        limits.maxBytes = maxBytes;
        limits.spareBytes = spareBytes;
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        Recorder recorder;
        QString error;
        QCOMPARE(extract(package, m_target, &error, &recorder, limits), installed);
        if (installed) {
            QCOMPARE(recorder.installed.size(), entries);
            QCOMPARE(readFile(m_target + "/many/3"), QByteArray(3000, 'd'));
            return;
        }
        QVERIFY(!error.isEmpty());
        QCOMPARE(recorder.progressCalls, 0); // refused by its counts before a byte was unpacked
        QCOMPARE(PackageMaker::snapshot(m_root->path()), before);
    }
};

QTEST_GUILESS_MAIN(TestLib7z)
#include "TestLib7z.moc"

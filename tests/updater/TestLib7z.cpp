#include "Lib7z.h"
#include "PackageMaker.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <archive_entry.h>

#include <clocale>

using PackageMaker::readFile;
using PackageMaker::writeFile;

// Extraction of update packages: what is installed, and that hostile or damaged packages change nothing.
class TestLib7z : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_root;
    QString m_target; // the installation
    QString m_outside; // must never be touched
    QByteArray m_program;

    static bool extract(const QString& archivePath, const QString& target, QString* error)
    {
        QFile archive(archivePath);
        return archive.open(QIODevice::ReadOnly) && Lib7z::extractArchive(&archive, target, nullptr, error);
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
        QVERIFY(running.waitForReadyRead(5000));
        QString error;
        const bool done = extract(package, m_target, &error);
        running.closeWriteChannel();
        QVERIFY(running.waitForFinished(5000));
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
        QTest::newRow("unc prefix") << QByteArray("\\\\server\\share\\escape.txt") << int(AE_IFREG) << none << "";
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
};

QTEST_GUILESS_MAIN(TestLib7z)
#include "TestLib7z.moc"

#include "Lib7z.h"
#include "PackageMaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <archive_entry.h>

#include <clocale>

using PackageMaker::RawEntry;

namespace {

class Recorder : public Lib7z::ExtractCallback
{
public:
    void fileInstalled(const QString& relativePath) override { files.append(relativePath); }
    QStringList files;
};

bool extract(const QString& archivePath, const QString& target, QString* error, Recorder* recorder = nullptr)
{
    QFile archive(archivePath);
    if (!archive.open(QIODevice::ReadOnly)) {
        *error = archive.errorString();
        return false;
    }
    return Lib7z::extractArchive(&archive, target, recorder, error);
}

QByteArray flipped(QByteArray data, qint64 from, int count)
{
    for (int i = 0; i < count && from + i < data.size(); ++i)
        data[int(from + i)] = char(data.at(int(from + i)) ^ 0x5A);
    return data;
}

} // namespace

// Extraction of update packages: what is installed, and that hostile or damaged packages change nothing.
class TestLib7z : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void signatureCheckRewinds();
    void installsPackageMadeBy7Zip();
    void keepsExecutableBitOfReplacedProgram();
    void readsChineseNamesUnderCLocale();
    void replacesRunningProgram();
    void refusesBadPackageWithoutChange_data();
    void refusesBadPackageWithoutChange();

private:
    QString makeGoodPackage(const QStringList& switches = {}, const QStringList& extraEntries = {});

    QScopedPointer<QTemporaryDir> m_root;
    QString m_target; // the installation
    QString m_outside; // must never be touched
    QString m_source; // what packages are made from
    QByteArray m_program;
};

void TestLib7z::initTestCase()
{
    if (PackageMaker::sevenZip().isEmpty())
        QFAIL("7-Zip (package 7zip) is not installed");
    m_program = PackageMaker::readFile(QStringLiteral(TAV_STANDIN_PATH));
    QVERIFY(!m_program.isEmpty());
    Lib7z::init();
}

void TestLib7z::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    m_target = m_root->filePath("prog");
    m_outside = m_root->filePath("outside");
    m_source = m_root->filePath("src");
    QVERIFY(QDir().mkpath(m_target) && QDir().mkpath(m_outside) && QDir().mkpath(m_source));
    // The installation as it stands before an update.
    QVERIFY(PackageMaker::writeFile(m_target + "/TAV", "old program", true));
    QVERIFY(PackageMaker::writeFile(m_target + "/sub/深/中文.txt", "旧内容"));
    QVERIFY(PackageMaker::writeFile(m_target + "/keep.txt", "not in the package"));
    QVERIFY(PackageMaker::writeFile(m_outside + "/victim.txt", "outside"));
}

void TestLib7z::cleanup()
{
    m_root.reset();
}

QString TestLib7z::makeGoodPackage(const QStringList& switches, const QStringList& extraEntries)
{
    const QString path = m_root->filePath("good.7z");
    QFile::remove(path);
    if (!PackageMaker::writeFile(m_source + "/TAV", m_program, true)
        || !PackageMaker::writeFile(m_source + "/sub/深/中文.txt", "新内容")
        || !PackageMaker::writeFile(m_source + "/Resources/images/logo.png", QByteArray(5000, 'p'))
        || !QDir().mkpath(m_source + "/emptydir"))
        return QString();
    QString output;
    if (!PackageMaker::make7z(path, m_source, QStringList { "TAV", "sub", "Resources", "emptydir" } + extraEntries,
                              switches, &output)) {
        qWarning() << output;
        return QString();
    }
    return path;
}

void TestLib7z::signatureCheckRewinds()
{
    const QString text = m_root->filePath("error-page.html");
    QVERIFY(PackageMaker::writeFile(text, "<html>404</html>"));
    for (const QString& path : { text, makeGoodPackage() }) {
        QFile file(path);
        QVERIFY(!Lib7z::isSupportedArchive(&file)); // not open yet
        QVERIFY(file.open(QIODevice::ReadOnly));
        file.seek(2);
        QCOMPARE(Lib7z::isSupportedArchive(&file), path != text);
        QCOMPARE(file.pos(), qint64(0));
    }
}

void TestLib7z::installsPackageMadeBy7Zip()
{
    const QString package = makeGoodPackage();
    QVERIFY(!package.isEmpty());
    Recorder recorder;
    QString error = "stale";
    QVERIFY2(extract(package, m_target, &error, &recorder), qPrintable(error));
    QVERIFY(error.isEmpty());

    QCOMPARE(PackageMaker::readFile(m_target + "/TAV"), m_program);
    QVERIFY(QFileInfo(m_target + "/TAV").isExecutable());
    QCOMPARE(QString::fromUtf8(PackageMaker::readFile(m_target + "/sub/深/中文.txt")), QString("新内容"));
    QCOMPARE(PackageMaker::readFile(m_target + "/Resources/images/logo.png"), QByteArray(5000, 'p'));
    QVERIFY(QFileInfo(m_target + "/emptydir").isDir());
    QCOMPARE(PackageMaker::readFile(m_target + "/keep.txt"), QByteArray("not in the package"));
    recorder.files.sort();
    QCOMPARE(recorder.files, QStringList({ "Resources/images/logo.png", "TAV", "sub/深/中文.txt" }));
    // No staging folder is left behind.
    QCOMPARE(QDir(m_target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({ "Resources", "TAV", "emptydir", "keep.txt", "sub" }));
    QCOMPARE(PackageMaker::snapshot(m_outside).size(), 1);
}

void TestLib7z::keepsExecutableBitOfReplacedProgram()
{
    // As from Windows: no entry carries an executable bit.
    const QString package = m_root->filePath("windows.7z");
    QVERIFY(PackageMaker::writeRaw7z(package,
                                     { RawEntry { "TAV", AE_IFREG, "new program", {}, 0644 },
                                       RawEntry { "readme.txt", AE_IFREG, "text", {}, 0644 },
                                       RawEntry { "tools/run.sh", AE_IFREG, "#!/bin/sh\n", {}, 0755 } }));
    QVERIFY(PackageMaker::writeFile(m_target + "/readme.txt", "old text", false));
    QString error;
    QVERIFY2(extract(package, m_target, &error), qPrintable(error));
    QCOMPARE(PackageMaker::readFile(m_target + "/TAV"), QByteArray("new program"));
    QVERIFY(QFileInfo(m_target + "/TAV").isExecutable());
    QVERIFY(!QFileInfo(m_target + "/readme.txt").isExecutable());
    QVERIFY(QFileInfo(m_target + "/tools/run.sh").isExecutable());
}

void TestLib7z::readsChineseNamesUnderCLocale()
{
    const QString package = makeGoodPackage();
    QVERIFY(!package.isEmpty());
    const QByteArray previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    Lib7z::init();
    QString error;
    const bool done = extract(package, m_target, &error);
    std::setlocale(LC_CTYPE, previous.constData());
    QVERIFY2(done, qPrintable(error));
    QCOMPARE(QString::fromUtf8(PackageMaker::readFile(m_target + "/sub/深/中文.txt")), QString("新内容"));
}

void TestLib7z::replacesRunningProgram()
{
    QVERIFY(PackageMaker::writeFile(m_target + "/TAV", m_program, true));
    QProcess running;
    running.start(m_target + "/TAV", { "--wait" });
    QVERIFY(running.waitForStarted());
    QSignalSpy ready(&running, &QProcess::readyReadStandardOutput);
    QVERIFY(running.canReadLine() || ready.wait(5000));

    QVERIFY(PackageMaker::writeFile(m_source + "/TAV", m_program + "v2", true));
    const QString package = m_root->filePath("running.7z");
    QVERIFY(PackageMaker::make7z(package, m_source, { "TAV" }));
    QString error;
    const bool done = extract(package, m_target, &error);
    running.closeWriteChannel();
    QVERIFY(running.waitForFinished(5000));
    QVERIFY2(done, qPrintable(error));
    QCOMPARE(PackageMaker::readFile(m_target + "/TAV"), m_program + "v2");
}

void TestLib7z::refusesBadPackageWithoutChange_data()
{
    QTest::addColumn<QByteArray>("rawName"); // hostile entry written after a good one, or empty for a 7-Zip package
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
    QTest::newRow("link in the installation") << QByteArray("sub/escape.txt") << int(AE_IFREG) << none << "link sub";
    QTest::newRow("absolute name by 7-Zip") << QByteArray() << 0 << QStringList { "-spf" } << "";
    QTest::newRow("symbolic link by 7-Zip") << QByteArray() << 0 << QStringList { "-snl" } << "";
    QTest::newRow("encrypted") << QByteArray() << 0 << QStringList { "-psecret" } << "";
    QTest::newRow("encrypted names") << QByteArray() << 0 << QStringList { "-psecret", "-mhe=on" } << "";
    QTest::newRow("method libarchive lacks") << QByteArray() << 0 << QStringList { "-m0=Deflate64" } << "";
    QTest::newRow("truncated to half") << QByteArray() << 0 << none << "half";
    QTest::newRow("truncated header") << QByteArray() << 0 << none << "tail";
    QTest::newRow("damaged compressed body") << QByteArray() << 0 << none << "flip";
    QTest::newRow("damaged stored body") << QByteArray() << 0 << QStringList { "-mx0" } << "flip";
}

void TestLib7z::refusesBadPackageWithoutChange()
{
    QFETCH(QByteArray, rawName);
    QFETCH(int, type);
    QFETCH(QStringList, switches);
    QFETCH(QString, damage);
    const QString package = m_root->filePath("bad.7z");
    if (!rawName.isEmpty()) {
        rawName.replace("@outside", QFile::encodeName(m_outside));
        if (damage == "link sub") {
            QVERIFY(QDir(m_target + "/sub").removeRecursively());
            QVERIFY(QFile::link(m_outside, m_target + "/sub"));
        }
        const QByteArray link = type == AE_IFLNK ? QFile::encodeName(m_outside) : QByteArray();
        QVERIFY(PackageMaker::writeRaw7z(package,
                                         { RawEntry { "TAV", AE_IFREG, "new program", {}, 0755 },
                                           RawEntry { rawName, type, type == AE_IFREG ? "x" : "", link, 0644 } }));
    } else if (switches.contains("-spf")) {
        QVERIFY(PackageMaker::make7z(package, m_outside, { m_outside + "/victim.txt" }, switches));
    } else {
        const bool link = switches.contains("-snl");
        QVERIFY(!link || QFile::link(m_outside, m_source + "/link"));
        // The program entry comes first, so it is staged before any damage shows.
        const QString good = makeGoodPackage(switches, link ? QStringList { "link" } : QStringList());
        QVERIFY(!good.isEmpty());
        QByteArray bytes = PackageMaker::readFile(good);
        if (damage == "half")
            bytes.truncate(bytes.size() / 2);
        else if (damage == "tail")
            bytes.chop(10);
        else if (damage == "flip")
            bytes = flipped(bytes, switches.isEmpty() ? bytes.size() / 3 : 32 + m_program.size() + 100,
                            switches.isEmpty() ? 64 : 1);
        QVERIFY(PackageMaker::writeFile(package, bytes));
    }
    const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());

    Recorder recorder;
    QString error;
    QVERIFY(!extract(package, m_target, &error, &recorder));
    QVERIFY(!error.isEmpty());
    QVERIFY(recorder.files.isEmpty());
    QCOMPARE(PackageMaker::snapshot(m_root->path()), before);
}

QTEST_GUILESS_MAIN(TestLib7z)
#include "TestLib7z.moc"

// The start after an update cut off by a kill: how long the recovery takes with the files of a large package.
// The old version holds 3,000 files in 30 folders; the package replaces 2,900 of them and brings 100 in 5 new
// folders. Each round, in turns: an uncut install of the package (the reference), the install killed half-way
// (file 1,500 placed) and the recovery that takes it back, and the install killed once whole and the recovery
// that records its version and clears it away. The install and each recovery run in a process of their own
// (tav-install-helper, the installer of TAVUpdate), which reports the milliseconds of its work. Most of it is the
// removal of the files written out before: the staged ones after a roll-back, the replaced ones otherwise.
// Goal: each recovery within 1.5 x of the uncut install of the same round (the same disk, the same load), since the
// program's start waits for it before anything shows. The times themselves are printed beside: a disk busy with
// other work stretches them several-fold.
//
//   build/bench-bin/BenchInstallRecovery [--rounds N] [--files N]   (default: 5 rounds, 3000 files)

#include "BenchSupport.h"
#include "BenchVerdict.h"
#include "InstallHelperProcess.h"
#include "OwnFolder.h"
#include "PackageMaker.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <archive_entry.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const double kRatioGoal = 1.5;
const int kNewFiles = 100;
const char kOldVersion[] = "4.2.0";
const char kNewVersion[] = "4.3.0";

QString libraryFile(int i, int oldFiles)
{
    return i < oldFiles ? QStringLiteral("lib/d%1/f%2.dll").arg(i % 30).arg(i)
                        : QStringLiteral("plugins/p%1/f%2.dll").arg(i % 5).arg(i);
}

// The version the database of dir records.
QString storedVersion(const QString& dir)
{
    QString version;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(dir + QStringLiteral("/TAVSqlite.db"));
        if (db.open()) {
            QSqlQuery query(QStringLiteral("SELECT version FROM TAV_AppInfo WHERE appID = '0'"), db);
            version = query.next() ? query.value(0).toString() : QString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return version;
}

class Bench
{
public:
    explicit Bench(int files)
        : m_oldFiles(files)
    {
    }

    bool prepare()
    {
        const QString old = m_shared.filePath(QStringLiteral("old"));
        bool made = PackageMaker::writeFile(old + QStringLiteral("/TAV"), "old program", true);
        for (int i = 0; made && i < m_oldFiles; ++i)
            made = PackageMaker::writeFile(old + '/' + libraryFile(i, m_oldFiles), "old " + QByteArray::number(i));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(old + QStringLiteral("/TAVSqlite.db"));
            made = made && db.open()
                && QSqlQuery(db).exec(QStringLiteral("CREATE TABLE TAV_AppInfo (appID TEXT, version TEXT)"))
                && QSqlQuery(db).exec(QStringLiteral("INSERT INTO TAV_AppInfo VALUES ('0', '%1')").arg(kOldVersion));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
        QVector<PackageMaker::RawEntry> entries { { "TAV", AE_IFREG, "new program", 0755 } };
        for (int i = kNewFiles; i < m_oldFiles + kNewFiles; ++i)
            entries.append({ libraryFile(i, m_oldFiles).toUtf8(), AE_IFREG, "new " + QByteArray::number(i) });
        return made && PackageMaker::writeRaw7z(m_shared.filePath(QStringLiteral("package.7z")), entries);
    }

    // A fresh program folder of the old version with the package downloaded beside it, on the disk as an installed
    // program is: its own files, written out, so that removing the replaced ones costs what it costs on a PC.
    QString freshFolder()
    {
        m_round.reset(new QTemporaryDir(m_shared.filePath(QStringLiteral("round-XXXXXX"))));
        const QString dir = m_round->filePath(QStringLiteral("prog")), old = m_shared.filePath(QStringLiteral("old"));
        QDirIterator it(old, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next(), to = dir + '/' + QDir(old).relativeFilePath(from);
            if (!QDir().mkpath(QFileInfo(to).path()) || !QFile::copy(from, to))
                return QString();
        }
        if (!QFile::copy(m_shared.filePath(QStringLiteral("package.7z")), archive(dir)))
            return QString();
        const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        return synced ? dir : QString();
    }

    static QString archive(const QString& dir) { return dir + QStringLiteral("/TAVUpdate") + kNewVersion + ".7z"; }

    int oldFiles() const { return m_oldFiles; }

private:
    QTemporaryDir m_shared;
    QScopedPointer<QTemporaryDir> m_round;
    int m_oldFiles;
};

// The milliseconds the helper reports ("done 1 <ms> ..."), or -1 when it failed.
double workMs(const QString& line)
{
    return line.startsWith(QLatin1String("done 1 ")) ? line.section(' ', 2, 2).toDouble() : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    const int own = BenchOwnFolder::run(argv);
    if (own >= 0)
        return own;
    QCoreApplication app(argc, argv);
    BenchSupport::hideDebugLines();
    const QStringList args = QCoreApplication::arguments();
    const auto option = [&args](const QString& name, int fallback) {
        const int at = args.indexOf(name);
        return at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int rounds = qMax(1, option(QStringLiteral("--rounds"), 5));
    const int files = qMax(2 * kNewFiles, option(QStringLiteral("--files"), 3000));
    Bench bench(files);
    if (!bench.prepare()) {
        std::fprintf(stderr, "cannot make the old version and the package\n");
        return 1;
    }
    std::printf("recovery of a cut-off update: %d files, %d replaced and %d new, %d rounds (load average %s)\n",
                files + 1, files - kNewFiles + 1, kNewFiles, rounds, qPrintable(BenchSupport::loadAverage()));

    QVector<double> installs, rollBacks, forwards, rollBackRatios, forwardRatios;
    bool whole = true;
    for (int round = 0; round < rounds; ++round) {
        QString dir = bench.freshFolder();
        const double install = workMs(runInstallHelper({ "install", Bench::archive(dir), dir, kNewVersion }));
        whole = whole && install >= 0 && storedVersion(dir) == QLatin1String(kNewVersion);

        dir = bench.freshFolder();
        whole = whole
            && runInstallHelper({ "install", Bench::archive(dir), dir, kNewVersion },
                                QStringLiteral("file:%1").arg(files / 2))
                == QLatin1String("stopped");
        const double rollBack = workMs(runInstallHelper({ "recover", dir }));
        whole = whole && rollBack >= 0 && storedVersion(dir) == QLatin1String(kOldVersion)
            && PackageMaker::readFile(dir + QStringLiteral("/TAV")) == "old program";

        dir = bench.freshFolder();
        whole = whole
            && runInstallHelper({ "install", Bench::archive(dir), dir, kNewVersion }, QStringLiteral("commit"))
                == QLatin1String("stopped");
        const double forward = workMs(runInstallHelper({ "recover", dir }));
        whole = whole && forward >= 0 && storedVersion(dir) == QLatin1String(kNewVersion)
            && QDir(dir).entryList({ QStringLiteral(".lib7z-*") }, QDir::AllEntries | QDir::Hidden).isEmpty();

        std::printf("round %d: install %.0f ms, roll-back %.0f ms, finish %.0f ms\n", round + 1, install, rollBack,
                    forward);
        std::fflush(stdout);
        installs << install;
        rollBacks << rollBack;
        forwards << forward;
        rollBackRatios << rollBack / qMax(1.0, install);
        forwardRatios << forward / qMax(1.0, install);
    }

    BenchVerdict verdict;
    verdict.holds(QStringLiteral("every recovery left one whole version, recorded"), whole,
                  QStringLiteral("old after the roll-back, new after the finish"));
    // Times that move with the disk's load: told for the report, judged through the ratios below.
    std::printf("uncut install, median: %.0f ms\n", BenchSupport::median(installs));
    std::printf("roll-back after a kill half-way, median: %.0f ms\n", BenchSupport::median(rollBacks));
    std::printf("finish after a kill once whole, median: %.0f ms\n", BenchSupport::median(forwards));
    verdict.atMost(QStringLiteral("roll-back against the uncut install, median ratio"),
                   BenchSupport::median(rollBackRatios), QString(), kRatioGoal);
    verdict.atMost(QStringLiteral("finish against the uncut install, median ratio"),
                   BenchSupport::median(forwardRatios), QString(), kRatioGoal);
    return verdict.finish();
}

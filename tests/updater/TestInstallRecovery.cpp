#include "InstallHelperProcess.h"
#include "PackageMaker.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include <archive_entry.h>

#include <csignal>
#include <unistd.h>

using PackageMaker::writeFile;

namespace {

// Few files, so that every point of a kill is tried; the recovery of thousands is timed by BenchInstallRecovery.
const int kOldFiles = 8;
const int kFirstNew = 2; // the package replaces files 2..7 and brings 8 and 9 in folders the old version lacks
const int kNewFiles = 2;
const int kPackageFiles = 1 + kOldFiles - kFirstNew + kNewFiles; // TAV first
const char kOldVersion[] = "4.2.0";
const char kNewVersion[] = "4.3.0";

QString libraryFile(int i)
{
    return i < kOldFiles ? QStringLiteral("lib/d%1/f%2.dll").arg(i % 3).arg(i)
                         : QStringLiteral("plugins/p%1/f%2.dll").arg(i % 2).arg(i);
}

} // namespace

// An update killed at any moment, and its recovery killed too: the next start leaves the program folder holding
// exactly one version, file by file, with the database recording that version and nothing of the install left. A
// journal that breaks the rules of an install changes nothing at all.
class TestInstallRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir m_shared;
    QScopedPointer<QTemporaryDir> m_root;
    QString m_programDir;
    QString m_outside; // beside the program folder: never touched
    QMap<QString, QString> m_oldVersion;
    QMap<QString, QString> m_newVersion;

    QString archivePath() const { return m_programDir + "/TAVUpdate" + kNewVersion + ".7z"; }

    bool makeOldVersion(const QString& dir)
    {
        bool made = writeFile(dir + "/TAV", "old program", true) && writeFile(dir + "/only-old.txt", "kept");
        for (int i = 0; made && i < kOldFiles; ++i)
            made = writeFile(dir + '/' + libraryFile(i), "old " + QByteArray::number(i));
        QSqlDatabase db = QSqlDatabase::database("fixture", false);
        db.setDatabaseName(dir + "/TAVSqlite.db");
        made = made && db.open() && QSqlQuery(db).exec("CREATE TABLE TAV_AppInfo (appID TEXT, version TEXT)")
            && QSqlQuery(db).exec(QStringLiteral("INSERT INTO TAV_AppInfo VALUES ('0', '%1')").arg(kOldVersion));
        db.close();
        return made && QFile::copy(m_shared.filePath("package.7z"), dir + "/TAVUpdate" + kNewVersion + ".7z");
    }

    // The install and its recovery only rename the program's files, so the copies may share them with the
    // original; the database and the package are written or removed and get copies of their own.
    bool copyOldVersion(const QString& dir) const
    {
        const QString old = m_shared.filePath("old");
        QDirIterator it(old, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next(), relative = QDir(old).relativeFilePath(from), to = dir + '/' + relative;
            if (!QDir().mkpath(QFileInfo(to).path()))
                return false;
            const bool own = relative == "TAVSqlite.db" || relative.startsWith("TAVUpdate");
            if (own ? !QFile::copy(from, to) : ::link(QFile::encodeName(from), QFile::encodeName(to)) != 0)
                return false;
        }
        return true;
    }

    // The program's files, without the database, which is compared by its recorded version.
    static QMap<QString, QString> programFiles(const QString& dir)
    {
        QMap<QString, QString> files = PackageMaker::snapshot(dir);
        files.remove("TAVSqlite.db");
        files.remove("TAVSqlite.db-journal");
        return files;
    }

    QString storedVersion() const
    {
        QSqlDatabase db = QSqlDatabase::database("fixture", false);
        db.setDatabaseName(m_programDir + "/TAVSqlite.db");
        if (!db.open())
            return "no database";
        QString version;
        {
            QSqlQuery query("SELECT version FROM TAV_AppInfo WHERE appID = '0'", db);
            version = query.next() ? query.value(0).toString() : QString();
        }
        db.close();
        return version;
    }

    // The paths that differ between two snapshots, for a readable failure.
    static QStringList differences(const QMap<QString, QString>& a, const QMap<QString, QString>& b)
    {
        QStringList paths;
        for (auto it = a.begin(); it != a.end(); ++it) {
            if (b.value(it.key()) != it.value())
                paths << it.key() + (b.contains(it.key()) ? " changed" : " gone");
        }
        for (auto it = b.begin(); it != b.end(); ++it) {
            if (!a.contains(it.key()))
                paths << it.key() + " new";
        }
        return paths;
    }

    // Kills the helper killAfterMs after its start, wherever it stands.
    static void runHelperKilled(const QStringList& args, qint64 killAfterMs)
    {
        QProcess helper;
        helper.start(QStringLiteral(TAV_INSTALL_HELPER_PATH), args);
        if (!helper.waitForStarted(-1))
            return;
        QElapsedTimer clock;
        clock.start();
        // The moment of the kill is the point of the test: a power loss does not wait for a step to end.
        while (clock.elapsed() < killAfterMs && helper.state() == QProcess::Running)
            QThread::usleep(200);
        ::kill(pid_t(helper.processId()), SIGKILL);
        helper.waitForFinished(-1);
    }

    QString install(const QString& stop = QString())
    {
        return runInstallHelper({ "install", archivePath(), m_programDir, kNewVersion }, stop);
    }

    QString recover(const QString& stop = QString()) { return runInstallHelper({ "recover", m_programDir }, stop); }

    // The folder holds exactly the old or the new version, the database agrees, nothing of the install is left.
    // A kill before the install touched the folder may leave the downloaded package, as a cut-off download does.
    void checkOneWholeVersion(bool expectNew, bool packageMayStay = false)
    {
        QMap<QString, QString> files = programFiles(m_programDir);
        if (packageMayStay)
            files.remove(QStringLiteral("TAVUpdate") + kNewVersion + ".7z");
        const QStringList leftovers = QStringList(files.keys()).filter(QRegularExpression("^(\\.lib7z-|TAVUpdate)"));
        QCOMPARE(leftovers.join(' '), QString());
        const bool isNew = files == m_newVersion, isOld = files == m_oldVersion;
        QVERIFY2(isNew || isOld, "the folder holds neither version whole");
        QCOMPARE(isNew, expectNew);
        QCOMPARE(storedVersion(), QString(isNew ? kNewVersion : kOldVersion));
    }

private slots:
    void initTestCase()
    {
        QSqlDatabase::addDatabase("QSQLITE", "fixture");
        QVector<PackageMaker::RawEntry> entries { { "TAV", AE_IFREG, "new program", 0755 } };
        for (int i = kFirstNew; i < kOldFiles + kNewFiles; ++i)
            entries.append({ libraryFile(i).toUtf8(), AE_IFREG, "new " + QByteArray::number(i) });
        entries.append({ "emptynew", AE_IFDIR, {}, 0755 });
        QVERIFY(PackageMaker::writeRaw7z(m_shared.filePath("package.7z"), entries));

        // The two versions as an uncut install leaves them.
        QVERIFY(makeOldVersion(m_shared.filePath("old")));
        const QString reference = m_shared.filePath("reference");
        QVERIFY(copyOldVersion(reference));
        m_oldVersion = programFiles(reference);
        m_oldVersion.remove(QStringLiteral("TAVUpdate") + kNewVersion + ".7z");
        m_programDir = reference;
        QCOMPARE(install().left(6), QString("done 1"));
        m_newVersion = programFiles(reference);
        QVERIFY(m_newVersion.value(libraryFile(kOldFiles - 1)) != m_oldVersion.value(libraryFile(kOldFiles - 1)));
        QCOMPARE(m_newVersion.value(libraryFile(0)), m_oldVersion.value(libraryFile(0)));
        // New files, their folders plugins/, p0/, p1/, and emptynew/.
        QCOMPARE(m_newVersion.size(), m_oldVersion.size() + kNewFiles + 4);
        QCOMPARE(storedVersion(), QString(kNewVersion));
    }

    void init()
    {
        m_root.reset(new QTemporaryDir);
        m_programDir = m_root->filePath("prog");
        m_outside = m_root->filePath("outside");
        QVERIFY(copyOldVersion(m_programDir));
    }

    // Each place an install can be killed at, and each place its recovery can be killed at in turn.
    void killedInstallLeavesOneWholeVersion_data()
    {
        QTest::addColumn<QString>("installStop");
        QTest::addColumn<QStringList>("recoveryStops"); // each recovery killed there, then one that ends
        QTest::addColumn<bool>("expectNew");
        for (int n = 1; n <= kPackageFiles; ++n)
            QTest::addRow("install killed after file %d of %d", n, kPackageFiles)
                << QString("file:%1").arg(n) << QStringList() << false;
        QTest::newRow("install killed once whole, version not recorded") << "commit" << QStringList() << true;
        QTest::newRow("install killed once recorded, nothing cleared away") << "settled" << QStringList() << true;
        // Every file placed, not yet whole: the recovery puts them back from the last, killed after each.
        for (int n = 1; n <= kPackageFiles; ++n)
            QTest::addRow("recovery killed after putting back file %d", n)
                << QString("file:%1").arg(kPackageFiles) << QStringList { QString("restored:%1").arg(n) } << false;
        QTest::newRow("recovery killed while putting back, then twice before clearing away")
            << "file:5" << QStringList { "restored:2", "settled", "settled" } << false;
        QTest::newRow("recovery killed before recording, then twice before clearing away")
            << "commit" << QStringList { "commit", "settled", "settled" } << true;
    }

    void killedInstallLeavesOneWholeVersion()
    {
        QFETCH(QString, installStop);
        QFETCH(QStringList, recoveryStops);
        QFETCH(bool, expectNew);
        QCOMPARE(install(installStop), QString("stopped"));
        // The kill left the folder between the versions, or whole with its clear-up undone.
        const QMap<QString, QString> cut = programFiles(m_programDir);
        QVERIFY(cut != m_oldVersion && cut != m_newVersion);
        for (const QString& stop : recoveryStops)
            QCOMPARE(recover(stop), QString("stopped"));
        const QString done = recover();
        QVERIFY2(done.startsWith("done 1"), qPrintable(done));
        checkOneWholeVersion(expectNew);
        // A second start finds nothing to do.
        QVERIFY(recover().startsWith("done 1"));
        QCOMPARE(programFiles(m_programDir), expectNew ? m_newVersion : m_oldVersion);
    }

    void killAtAnyMomentLeavesOneWholeVersion()
    {
        // An uncut install's length, then kills spread over it and a little beyond.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(install().startsWith("done 1"));
        const qint64 length = clock.elapsed();
        QVERIFY(programFiles(m_programDir) == m_newVersion);
        int cutMidway = 0;
        const int moments = 12;
        for (int step = 1; step <= moments; ++step) {
            init();
            runHelperKilled({ "install", archivePath(), m_programDir, kNewVersion }, length * step / 10);
            const QMap<QString, QString> cut = programFiles(m_programDir);
            const bool begun = !QStringList(cut.keys()).filter(QRegularExpression("^\\.lib7z-")).isEmpty();
            cutMidway += begun ? 1 : 0;
            const QString done = recover();
            QVERIFY2(done.startsWith("done 1"), qPrintable(done));
            checkOneWholeVersion(programFiles(m_programDir).contains("emptynew"), !begun);
        }
        qInfo() << "killed while the install was under way" << cutMidway << "times out of" << moments;
    }

    // Something put a file into a folder the cut-off install made (the half-new program ran): the folder stays
    // for it, and the rest goes back.
    void folderFilledSinceStaysAndTheRestGoesBack()
    {
        QCOMPARE(install(QString("file:%1").arg(kPackageFiles)), QString("stopped"));
        QVERIFY(writeFile(m_programDir + "/plugins/p0/cache.dat", "not the install's"));
        const QString done = recover();
        QVERIFY2(done.startsWith("done 1"), qPrintable(done));
        QCOMPARE(PackageMaker::readFile(m_programDir + "/plugins/p0/cache.dat"), QByteArray("not the install's"));
        QMap<QString, QString> files = programFiles(m_programDir);
        QVERIFY(files.remove("plugins/p0/cache.dat") && files.remove("plugins") && files.remove("plugins/p0"));
        QCOMPARE(files, m_oldVersion);
        QCOMPARE(storedVersion(), QString(kOldVersion));
    }

    void recoveryWaitsForAnInstallUnderWay()
    {
        // A second start while the updater installs: it must not take back what the install is placing.
        QProcess installer;
        installer.start(QStringLiteral(TAV_INSTALL_HELPER_PATH),
                        { "install", archivePath(), m_programDir, kNewVersion, "file:5" });
        QVERIFY(installer.waitForStarted(-1));
        while (!installer.canReadLine() && installer.state() == QProcess::Running)
            installer.waitForReadyRead(1000);
        QCOMPARE(installer.readLine().trimmed(), QByteArray("stopped"));
        QProcess recovery;
        recovery.start(QStringLiteral(TAV_INSTALL_HELPER_PATH), { "recover", m_programDir });
        QVERIFY(recovery.waitForStarted(-1));
        // The kernel lists a process that waits for a lock with an arrow.
        const QByteArray pid = QByteArray::number(recovery.processId());
        const auto waitsForLock = [&] {
            QFile locks("/proc/locks");
            if (!locks.open(QIODevice::ReadOnly))
                return false;
            for (const QByteArray& line : locks.readAll().split('\n')) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.value(1) == "->" && fields.value(5) == pid)
                    return true;
            }
            return false;
        };
        QVERIFY2(QTest::qWaitFor(waitsForLock, 120000), "the recovery did not wait for the install");
        installer.closeWriteChannel();
        QVERIFY(installer.waitForFinished(-1) && recovery.waitForFinished(-1));
        QVERIFY(installer.readAllStandardOutput().startsWith("done 1"));
        QVERIFY(recovery.readAllStandardOutput().startsWith("done 1"));
        checkOneWholeVersion(true);
    }

    // A journal left by hand or by another program in the program folder, naming what no install may touch, or
    // keeping its files where a link leads out of the folder.
    void plantedJournalTouchesNothing_data()
    {
        QTest::addColumn<QString>("phase"); // "installing", "committed"; "damaged": not a journal at all
        QTest::addColumn<QString>("file"); // the one file the journal names
        QTest::addColumn<QString>("link"); // what is a symbolic link out of the folder
        // The teacher's data, which an install never replaces.
        QTest::newRow("the database") << "installing"
                                      << "TAVSqlite.db"
                                      << "";
        QTest::newRow("the database, the install whole") << "committed"
                                                         << "TAVSqlite.db"
                                                         << "";
        QTest::newRow("the configuration") << "installing"
                                           << "conf/TAVConfig.ini"
                                           << "";
        QTest::newRow("the log") << "installing"
                                 << "ErrorLog/TAVLog.txt"
                                 << "";
        QTest::newRow("a paper's picture") << "installing"
                                           << "PaperData/7/q1.png"
                                           << "";
        QTest::newRow("the journal itself") << "installing"
                                            << ".lib7z-journal"
                                            << "";
        // Links out of the program folder, which an install never follows.
        QTest::newRow("the staging folder a link") << "installing"
                                                   << "TAV"
                                                   << "staging";
        QTest::newRow("the backup folder a link") << "committed"
                                                  << "TAV"
                                                  << "backup";
        QTest::newRow("a folder in the staging folder a link") << "installing" << libraryFile(0) << "in staging";
        QTest::newRow("a backup file a link") << "installing" << libraryFile(0) << "backup file";
        QTest::newRow("a program folder on the way a link") << "installing"
                                                            << "linked/f.dll"
                                                            << "on the way";
        QTest::newRow("the journal a link") << "installing" << libraryFile(0) << "journal";
        QTest::newRow("a damaged journal") << "damaged" << libraryFile(0) << "";
    }

    void plantedJournalTouchesNothing()
    {
        QFETCH(QString, phase);
        QFETCH(QString, file);
        QFETCH(QString, link);
        const QString staging = ".lib7z-staging-planted", backup = ".lib7z-backup-planted";
        QVERIFY(writeFile(m_programDir + "/conf/TAVConfig.ini", "[ClientInfo]\nDomain=school.test\n")
                && writeFile(m_programDir + "/ErrorLog/TAVLog.txt", "Debug: lessons\n")
                && writeFile(m_programDir + "/PaperData/7/q1.png", "picture"));
        QVERIFY(writeFile(m_outside + "/victim.txt", "outside") && writeFile(m_outside + "/f.dll", "outside dll")
                && writeFile(m_outside + "/sub/deeper.txt", "outside, deeper") && QDir().mkpath(m_outside + "/d0"));
        const auto linkOut = [this](const QString& name, const QString& to = QString()) {
            return QFile::link(to.isEmpty() ? m_outside : to, m_programDir + '/' + name);
        };
        QVERIFY(link == "staging" ? linkOut(staging) : QDir(m_programDir).mkpath(staging));
        QVERIFY(link == "backup" ? linkOut(backup) : QDir(m_programDir).mkpath(backup));
        // The folders of the staged files stand as an install would have left them.
        if (link == "in staging")
            QVERIFY(linkOut(staging + "/lib"));
        else if (link != "staging")
            QVERIFY(QDir(m_programDir).mkpath(staging + '/' + QFileInfo(file).path()));
        if (link == "backup file")
            QVERIFY(linkOut(backup + "/0", m_outside + "/victim.txt"));
        if (link == "on the way")
            QVERIFY(linkOut("linked"));
        QByteArray text = "lib7z-install 1\nstaging " + staging.toUtf8() + "\nbackup " + backup.toUtf8()
            + "\nnote 9.9.9\nfile " + QUrl::toPercentEncoding(file, "/") + "\nend\n";
        if (phase == "committed")
            text += "committed\n";
        if (phase == "damaged")
            text = "lib7z-install 1\nstaging " + staging.toUtf8() + "\nbackup\xff\xfe 7\n";
        if (link == "journal")
            QVERIFY(writeFile(m_outside + "/journal", text) && linkOut(".lib7z-journal", m_outside + "/journal"));
        else
            QVERIFY(writeFile(m_programDir + "/.lib7z-journal", text));
        QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        const QString planted = before.take("prog/.lib7z-journal");

        QProcess start;
        start.start(QStringLiteral(TAV_INSTALL_HELPER_PATH), { "recover", m_programDir });
        QVERIFY(start.waitForFinished(-1));
        const QString done = QString::fromUtf8(start.readAllStandardOutput()).trimmed();
        const QString log = QString::fromUtf8(start.readAllStandardError());

        // Every file as it was, in the folder and outside; the journal kept under another name.
        QMap<QString, QString> after = PackageMaker::snapshot(m_root->path());
        const QStringList kept = QStringList(after.keys()).filter(QRegularExpression("^prog/\\.lib7z-journal\\."));
        for (const QString& name : kept)
            QCOMPARE(after.take(name), planted);
        after.remove("prog/.lib7z-journal");
        QCOMPARE(differences(before, after).join(", "), QString());
        QCOMPARE(storedVersion(), QString(kOldVersion));
        QVERIFY2(done.startsWith("done 1"), qPrintable(done));
        QCOMPARE(kept.size(), 1);
        QVERIFY(kept.first().startsWith("prog/.lib7z-journal.set-aside-"));
        QVERIFY2(log.contains("****the journal of an earlier update breaks the rules of an install and was set aside")
                     && log.contains(kept.first().mid(5)),
                 qPrintable(log));
        // Nor does any later start touch what it names.
        QVERIFY(recover().startsWith("done 1"));
        after = PackageMaker::snapshot(m_root->path());
        after.remove(kept.first());
        QCOMPARE(differences(before, after).join(", "), QString());
    }
};

QTEST_GUILESS_MAIN(TestInstallRecovery)
#include "TestInstallRecovery.moc"

#include "InstallHelperProcess.h"
#include "PackageMaker.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <archive_entry.h>

#include <csignal>
#include <unistd.h>

using PackageMaker::writeFile;

namespace {

const int kOldFiles = 3000;
const int kPackageFiles = 3000;
const int kFirstNew = 100; // the package replaces files 100..2999 and brings 3000..3099
const char kOldVersion[] = "4.2.0";
const char kNewVersion[] = "4.3.0";

QString libraryFile(int i)
{
    // The last hundred go into folders the old version does not have.
    return i < kOldFiles ? QStringLiteral("lib/d%1/f%2.dll").arg(i % 30).arg(i)
                         : QStringLiteral("plugins/p%1/f%2.dll").arg(i % 5).arg(i);
}

} // namespace

// An update killed at any moment, and its recovery killed too: the next start leaves the program folder holding
// exactly one version, file by file, with the database recording that version and nothing of the install left.
class TestInstallRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir m_shared;
    QScopedPointer<QTemporaryDir> m_root;
    QString m_programDir;
    QMap<QString, QString> m_oldVersion;
    QMap<QString, QString> m_newVersion;
    QList<qint64> m_recoveryMs;

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

    // With killAfterMs, kills the helper that long after its start, wherever it stands.
    static QString runHelper(const QStringList& args, const QString& stop, qint64* killAfterMs = nullptr)
    {
        if (!killAfterMs)
            return runInstallHelper(args, stop);
        QProcess helper;
        helper.start(QStringLiteral(TAV_INSTALL_HELPER_PATH), args);
        if (!helper.waitForStarted(-1))
            return "not started";
        QElapsedTimer clock;
        clock.start();
        // The moment of the kill is the point of the test: a power loss does not wait for a step to end.
        while (clock.elapsed() < *killAfterMs && helper.state() == QProcess::Running)
            QThread::usleep(200);
        ::kill(pid_t(helper.processId()), SIGKILL);
        helper.waitForFinished(-1);
        return QString::fromUtf8(helper.readAllStandardOutput().trimmed().split('\n').last());
    }

    QString install(const QString& stop = QString(), qint64* killAfterMs = nullptr)
    {
        return runHelper({ "install", archivePath(), m_programDir, kNewVersion }, stop, killAfterMs);
    }

    QString recover(const QString& stop = QString()) { return runHelper({ "recover", m_programDir }, stop); }

    // The folder holds exactly the old or the new version, the database agrees, nothing of the install is left.
    void checkOneWholeVersion(bool expectNew)
    {
        const QMap<QString, QString> files = programFiles(m_programDir);
        QStringList leftovers
            = QDir(m_programDir).entryList({ ".lib7z-*", "TAVUpdate*" }, QDir::AllEntries | QDir::Hidden);
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
        QVector<PackageMaker::RawEntry> entries { { "TAV", AE_IFREG, "new program", 0755 },
                                                  { "emptynew", AE_IFDIR, {}, 0755 } };
        for (int i = kFirstNew; i < kFirstNew + kPackageFiles; ++i)
            entries.append({ libraryFile(i).toUtf8(), AE_IFREG, "new " + QByteArray::number(i) });
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
        QVERIFY(m_newVersion.value("lib/d20/f2990.dll") != m_oldVersion.value("lib/d20/f2990.dll"));
        QCOMPARE(m_newVersion.value("lib/d20/f20.dll"), m_oldVersion.value("lib/d20/f20.dll"));
        QCOMPARE(m_newVersion.size(), m_oldVersion.size() + 100 + 5 + 1 + 1); // new files, folders, plugins/
        QCOMPARE(storedVersion(), QString(kNewVersion));
    }

    void init()
    {
        m_root.reset(new QTemporaryDir);
        m_programDir = m_root->filePath("prog");
        QVERIFY(copyOldVersion(m_programDir));
    }

    void killedInstallLeavesOneWholeVersion_data()
    {
        QTest::addColumn<QString>("installStop");
        QTest::addColumn<QStringList>("recoveryStops"); // each recovery killed there, then one that ends
        QTest::addColumn<bool>("expectNew");
        const QStringList none;
        QTest::newRow("after the first file") << "file:1" << none << false;
        QTest::newRow("half-way") << "file:1500" << none << false;
        QTest::newRow("every file placed, not yet whole") << QString("file:%1").arg(kPackageFiles + 1) << none << false;
        QTest::newRow("whole, version not yet recorded") << "commit" << none << true;
        QTest::newRow("version recorded, nothing cleared away") << "settled" << none << true;
        // The recovery killed in turn at each of its steps, more than once at some.
        QTest::newRow("recovery killed while putting back, then before clearing away")
            << "file:2000" << QStringList { "restored:1", "restored:700", "restored:1299", "settled", "settled" }
            << false;
        QTest::newRow("recovery killed before recording, then before clearing away")
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
        m_recoveryMs.append(done.section(' ', 2, 2).toLongLong());
        checkOneWholeVersion(expectNew);
        // A second start finds nothing to do.
        QCOMPARE(programFiles(m_programDir), expectNew ? m_newVersion : m_oldVersion);
        QVERIFY(recover().startsWith("done 1"));
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
        const int moments = 6;
        for (int step = 1; step <= moments; ++step) {
            init();
            qint64 killAfter = length * step / 5;
            install(QString(), &killAfter);
            const QMap<QString, QString> cut = programFiles(m_programDir);
            const bool wasWhole = cut == m_newVersion || cut == m_oldVersion;
            cutMidway += wasWhole ? 0 : 1;
            const QString done = recover();
            QVERIFY2(done.startsWith("done 1"), qPrintable(done));
            const bool isNew = programFiles(m_programDir) == m_newVersion;
            checkOneWholeVersion(isNew);
        }
        qInfo() << "killed between the versions" << cutMidway << "times out of" << moments;
    }

    void recoveryWaitsForAnInstallUnderWay()
    {
        // A second start while the updater installs: it must not take back what the install is placing.
        QProcess installer;
        installer.start(QStringLiteral(TAV_INSTALL_HELPER_PATH),
                        { "install", archivePath(), m_programDir, kNewVersion, "file:1500" });
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
        QVERIFY2(QTest::qWaitFor(waitsForLock, 60000), "the recovery did not wait for the install");
        installer.closeWriteChannel();
        QVERIFY(installer.waitForFinished(-1) && recovery.waitForFinished(-1));
        QVERIFY(installer.readAllStandardOutput().startsWith("done 1"));
        QVERIFY(recovery.readAllStandardOutput().startsWith("done 1"));
        checkOneWholeVersion(true);
    }

    void cleanupTestCase()
    {
        // For the report: recovery of 3,000 files after a kill, on this machine under its present load.
        qInfo() << "recovery times in ms:" << m_recoveryMs;
    }
};

QTEST_GUILESS_MAIN(TestInstallRecovery)
#include "TestInstallRecovery.moc"

#include "DbTestSupport.h"
#include "InstallHelperProcess.h"
#include "PackageMaker.h"
#include "ProgramDirCopy.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <archive_entry.h>

namespace {

const QString kHeader = QStringLiteral("\n\n\n\n ***********Start ZUDUR-U4*************");
// Level, place, text and time; the header's line ends are part of its text.
const QRegularExpression
    kLine(R"(^(Debug|Warning|Critical|Fatal): File:\(.*\) Line:\(\d+\) (.*) \(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+\)$)",
          QRegularExpression::DotMatchesEverythingOption);

// The start-up lines of the subsystems this build's TAV is made of, in their order.
QStringList expectedStartUp()
{
    QStringList lines { kHeader, "verify system semaphore", "setupQssFile", "load ini file", "addLibraryPath" };
#ifdef TAV_STARTS_DB
    lines += QStringList { "createDb", "set Authority", "openLocalDb" };
#endif
#ifdef TAV_STARTS_DEVICE
    lines += "initDevice";
#endif
#ifdef TAV_STARTS_NET
    lines += QStringList { "load ini file", "start auto thread", "startup" };
#endif
    return lines;
}

const QString kAnswered = QStringLiteral("test answered box: ");

// The texts logged by the n-th start (from 0) in the copy, in their order.
QStringList logOf(const ProgramDirCopy& dir, int n)
{
    QStringList found;
    int start = -1;
    for (const QString& line : dir.logLines()) {
        const QString text = kLine.match(line).captured(2);
        start += text == kHeader ? 1 : 0;
        if (start == n) {
            found << text;
        }
    }
    return found;
}

// The start-up lines logged by the n-th start.
QStringList startUpOf(const ProgramDirCopy& dir, int n)
{
    const QStringList steps = expectedStartUp();
    QStringList found;
    for (const QString& text : logOf(dir, n)) {
        if (steps.contains(text)) {
            found << text;
        }
    }
    return found;
}

// Title and text of each message box that the n-th start showed (and a BoxAnswerer confirmed).
QStringList boxesOf(const ProgramDirCopy& dir, int n)
{
    QStringList boxes = logOf(dir, n).filter(QRegularExpression("^" + kAnswered));
    return boxes.replaceInStrings(kAnswered, QString());
}

// While it lives, every TAV started confirms its message boxes as a teacher would, and logs them.
class BoxAnswerer
{
public:
    BoxAnswerer()
    {
        for (const char* name : { "QT_PLUGIN_PATH", "QT_QPA_GENERIC_PLUGINS" }) {
            m_previous << qgetenv(name);
        }
        qputenv("QT_PLUGIN_PATH", TAV_TEST_PLUGINS);
        qputenv("QT_QPA_GENERIC_PLUGINS", "tavboxanswerer");
    }
    ~BoxAnswerer()
    {
        qputenv("QT_PLUGIN_PATH", m_previous.at(0));
        qputenv("QT_QPA_GENERIC_PLUGINS", m_previous.at(1));
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

private:
    QList<QByteArray> m_previous;
};

// Starts TAV in the copy and waits until its n-th start has logged the given number of start-up lines.
QProcess* startTav(ProgramDirCopy& dir, int n, int lines = expectedStartUp().size())
{
    QProcess* tav = dir.start("TAV");
    // On time-out the caller's comparison shows what is missing.
    (void)QTest::qWaitFor([&] { return startUpOf(dir, n).size() >= lines; }, 60000);
    return tav;
}

// The copy's TAV started once and ended as the teacher ends it, so that its database is one the program made.
bool usedOnce(ProgramDirCopy& dir)
{
    QProcess* first = startTav(dir, 0);
    QFile quit(dir.filePath("test-quit"));
    if (startUpOf(dir, 0) != expectedStartUp() || !quit.open(QIODevice::WriteOnly))
        return false;
    quit.close();
    const bool ended
        = first->waitForFinished(30000) && first->exitStatus() == QProcess::NormalExit && first->exitCode() == 0;
    return quit.remove() && ended;
}

} // namespace

// Runs the built TAV in a private copy of the program directory and reads its log.
class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void startUpLogsItsStepsInOrderEvenAfterKill();
    void secondStartIsRefused();
    void missingIniWarnsAndStartUpGoesOn();
    void unusableDatabaseEndsStartUp_data();
    void unusableDatabaseEndsStartUp();
    void formsKeepTheirLookInAnyFolder_data();
    void formsKeepTheirLookInAnyFolder();
    void damagedPageAfterACleanExitEndsTheProgramUnchanged();
    void startFinishesAnUpdateCutOff_data();
    void startFinishesAnUpdateCutOff();
    void fileCutShortIsRefusedBeforeTheLoginDialog();
};

void TestStartUp::startUpLogsItsStepsInOrderEvenAfterKill()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    first->kill();
    QVERIFY(first->waitForFinished(30000));
    QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
    // The killed start left its single-instance segment behind.
    QProcess* second = startTav(dir, 1);
    QCOMPARE(startUpOf(dir, 1), expectedStartUp());
    QCOMPARE(second->state(), QProcess::Running);
    for (const QString& line : dir.logLines()) {
        QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
    }
}

void TestStartUp::secondStartIsRefused()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* first = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    // A refused start stops at its message box; starting a third gives the second time to go on wrongly.
    startTav(dir, 1, 2);
    startTav(dir, 2, 2);
    const QStringList refused { kHeader, "verify system semaphore" };
    QCOMPARE(startUpOf(dir, 1), refused);
    QCOMPARE(startUpOf(dir, 2), refused);
    QCOMPARE(first->state(), QProcess::Running);
}

void TestStartUp::missingIniWarnsAndStartUpGoesOn()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QVERIFY(QFile::remove(dir.filePath("conf/TAVConfig.ini")));
    BoxAnswerer answerer;
    QProcess* tav = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    QCOMPARE(boxesOf(dir, 0).value(0), QString("消息 / 未找到配置文件，请联系管理员"));
    // Still running: QProcess may see the start only now, on a busy machine.
    QVERIFY(tav->waitForStarted(30000));
    QCOMPARE(tav->state(), QProcess::Running);
}

void TestStartUp::unusableDatabaseEndsStartUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not a database") << "not a database";
    QTest::newRow("link to a share not mounted") << "dangling link";
}

void TestStartUp::unusableDatabaseEndsStartUp()
{
    QFETCH(QString, kind);
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString database = dir.filePath("TAVSqlite.db");
    if (kind == "not a database") {
        QFile file(database);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'x')) == 8192);
    } else {
        QVERIFY(QFile::link(dir.filePath("share/TAVSqlite.db"), database));
    }
    const QByteArray before = DbTestSupport::whatStandsAt(database);
    QStringList stopped = expectedStartUp();
    stopped = stopped.mid(0, stopped.indexOf("openLocalDb") + 1);

    BoxAnswerer answerer;
    // The next start finds the same and stops the same way: it never makes a database of its own.
    for (int n = 0; n < 2; ++n) {
        QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
        QProcess* tav = dir.start("TAV");
        QVERIFY2(tav->waitForFinished(20000), "TAV went on after the database failed to load");
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QCOMPARE(startUpOf(dir, n), stopped);
        QCOMPARE(boxesOf(dir, n), QStringList("错误 / 数据库加载失败，请联系管理员"));
    }
    QCOMPARE(DbTestSupport::whatStandsAt(database), before);
    QVERIFY(!QFileInfo::exists(dir.filePath("share")));
}

void TestStartUp::formsKeepTheirLookInAnyFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("accented capital") << "Übung/TAV";
    QTest::newRow("accented small letter") << "élève/TAV";
    QTest::newRow("sharp s") << "Straße/TAV";
    QTest::newRow("Chinese, space and brackets") << "课堂 (1)/TAV";
}

// Qt drops a style sheet it cannot parse, and says so in the log: the form then has none of its colours and
// pictures.
void TestStartUp::formsKeepTheirLookInAnyFolder()
{
    QFETCH(QString, folder);
    ProgramDirCopy dir(folder);
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QProcess* tav = startTav(dir, 0);
    QCOMPARE(startUpOf(dir, 0), expectedStartUp());
    // The tool bar, the login dialog and the lesson-preparation page are built by then.
    QTRY_VERIFY_WITH_TIMEOUT(logOf(dir, 0).contains("enter ZUTAVStartUpProcess startUp"), 60000);
    QCOMPARE(logOf(dir, 0).filter("stylesheet"), QStringList());
    // Still running: QProcess may see the start only now, on a busy machine.
    QVERIFY(tav->waitForStarted(30000));
    QCOMPARE(tav->state(), QProcess::Running);
}

// A page the start reads nothing from is damaged after a clean exit, the file keeping its length and time (a bad
// sector; a backup restored with its times): the program refuses the file before the teacher's first write.
void TestStartUp::damagedPageAfterACleanExitEndsTheProgramUnchanged()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString database = dir.filePath("TAVSqlite.db");
    BoxAnswerer answerer;
    QVERIFY2(usedOnce(dir), "TAV did not start and end cleanly");

    int pageSize = 0;
    int page = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pages");
        db.setDatabaseName(database);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        QVERIFY(db.open() && query.exec("PRAGMA page_size") && query.next());
        pageSize = query.value(0).toInt();
        QVERIFY(query.exec("select rootpage from sqlite_master where name = 'TAV_ExamStuAnswer_Pro'") && query.next());
        page = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("pages");
    {
        QFile file(database);
        const QDateTime changed = QFileInfo(database).lastModified();
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize));
        QVERIFY(file.write(QByteArray(pageSize, '\0')) == pageSize && file.flush());
        QVERIFY(file.setFileTime(changed, QFileDevice::FileModificationTime));
    }
    const QByteArray before = DbTestSupport::whatStandsAt(database);

    for (int n = 1; n < 3; ++n) {
        QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
        QProcess* tav = dir.start("TAV");
        QVERIFY2(tav->waitForFinished(30000), "TAV went on with a damaged database");
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QCOMPARE(boxesOf(dir, n), QStringList("错误 / 数据库加载失败，请联系管理员"));
        // Refused by the read-through, after the login dialog came up.
        QCOMPARE(startUpOf(dir, n), expectedStartUp());
        QCOMPARE(logOf(dir, n).filter("cannot be used").size(), 1);
        QVERIFY(logOf(dir, n).filter("cannot be used").value(0).contains("quick_check"));
    }
    QCOMPARE(DbTestSupport::whatStandsAt(database), before);
    QCOMPARE(DbTestSupport::whatStandsAt(database + "-journal"), QByteArray("nothing"));
}

void TestStartUp::startFinishesAnUpdateCutOff_data()
{
    QTest::addColumn<QString>("stop"); // where the updater's install was killed
    QTest::addColumn<bool>("installed");
    QTest::newRow("killed half-way") << "file:2" << false;
    QTest::newRow("killed once whole, before the version was recorded") << "commit" << true;
}

// The updater was killed during its install: the program's next start finds the folder holding one version,
// the one its database records, before it goes on.
void TestStartUp::startFinishesAnUpdateCutOff()
{
    QFETCH(QString, stop);
    QFETCH(bool, installed);
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    BoxAnswerer answerer;
    // A first start makes the database; the test-quit file ends it.
    QFile quit(dir.filePath("test-quit"));
    const auto startAndQuit = [&](int n) {
        QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
        QProcess* tav = startTav(dir, n);
        QCOMPARE(startUpOf(dir, n), expectedStartUp());
        QVERIFY(quit.open(QIODevice::WriteOnly));
        quit.close();
        QVERIFY2(tav->waitForFinished(30000), "TAV did not end");
        QVERIFY(quit.remove());
    };
    const auto storedVersion = [&] {
        QString version = "no row";
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "version");
            db.setDatabaseName(dir.filePath("TAVSqlite.db"));
            QSqlQuery query(db);
            if (db.open() && query.exec("SELECT version FROM TAV_AppInfo WHERE appID = '0'") && query.next())
                version = query.value(0).toString();
        }
        QSqlDatabase::removeDatabase("version");
        return version;
    };
    startAndQuit(0);
    const QString oldVersion = storedVersion();
    QVERIFY(oldVersion != "no row");

    // The package replaces the updater and brings files and a folder the program did not have.
    const QByteArray oldUpdater = PackageMaker::readFile(dir.filePath("TAVUpdate"));
    const QByteArray newUpdater = oldUpdater + "\n9.9.9\n";
    const QString archive = dir.filePath("TAVUpdate9.9.9.7z");
    QVERIFY(!oldUpdater.isEmpty());
    QVERIFY(PackageMaker::writeRaw7z(archive,
                                     { { "TAVUpdate", AE_IFREG, newUpdater, 0755 },
                                       { "language/zh_CN/说明.txt", AE_IFREG, "新" },
                                       { "notes/new.txt", AE_IFREG, "new" } }));
    QCOMPARE(runInstallHelper({ "install", archive, dir.path(), "9.9.9" }, stop), QString("stopped"));
    QVERIFY(QFile::exists(dir.filePath(".lib7z-journal")));

    startAndQuit(1);
    QVERIFY(PackageMaker::readFile(dir.filePath("TAVUpdate")) == (installed ? newUpdater : oldUpdater));
    QCOMPARE(QFile::exists(dir.filePath("language/zh_CN/说明.txt")), installed);
    QCOMPARE(QFile::exists(dir.filePath("notes")), installed);
    QCOMPARE(storedVersion(), installed ? QString("9.9.9") : oldVersion);
    QCOMPARE(QDir(dir.path()).entryList({ ".lib7z-*", "TAVUpdate*.7z" }, QDir::AllEntries | QDir::Hidden),
             QStringList());
}

// A copy of the file that stopped short by a page is refused by the quick checks of openLocalDb, before the login
// dialog comes up, and the read-through never starts.
void TestStartUp::fileCutShortIsRefusedBeforeTheLoginDialog()
{
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString database = dir.filePath("TAVSqlite.db");
    BoxAnswerer answerer;
    QVERIFY2(usedOnce(dir), "TAV did not start and end cleanly");
    {
        QFile file(database);
        QVERIFY(file.size() > 8192 && file.resize(file.size() - 4096));
    }
    const QByteArray before = DbTestSupport::whatStandsAt(database);
    QStringList stopped = expectedStartUp();
    stopped = stopped.mid(0, stopped.indexOf("openLocalDb") + 1);

    QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
    QProcess* tav = dir.start("TAV");
    QVERIFY2(tav->waitForFinished(30000), "TAV went on with a file cut short");
    QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
    QCOMPARE(boxesOf(dir, 1), QStringList("错误 / 数据库加载失败，请联系管理员"));
    QCOMPARE(startUpOf(dir, 1), stopped);
    QVERIFY(!logOf(dir, 1).contains("enter Login startUp"));
    QCOMPARE(logOf(dir, 1).filter("cannot be used").size(), 1);
    QVERIFY(!logOf(dir, 1).filter("cannot be used").value(0).contains("quick_check"));
    QCOMPARE(DbTestSupport::whatStandsAt(database), before);
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "TestStartUp.moc"

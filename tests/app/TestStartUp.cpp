#include "DbTestSupport.h"
#include "InstallHelperProcess.h"
#include "OtherProgram.h"
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
const QString kDamaged = QStringLiteral("错误 / 数据库加载失败，请联系管理员");
const QString kFileInUse
    = QStringLiteral("另一个程序正在使用数据库文件。它释放该文件后，本程序将自动继续；也可点击右上角的 × 关闭本程序。");
// Longer than every wait of SQLite's that the program sets (10 s on the upload thread's connection).
const qint64 kHoldMs = 11000;
// The start does nothing with the file on the interface thread that keeps it from its events longer than a
// moment (80 ms); ten times that is a hang.
const qint64 kFreezeHangMs = 800;

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

// Says in the copy's folder what the box answerer in TAV is to do ("test-quit", "test-close").
bool ask(const ProgramDirCopy& dir, const QString& what)
{
    QFile file(dir.filePath(what));
    return file.open(QIODevice::WriteOnly);
}

// The longest freeze of the interface thread that the n-th start logged (while the start waited for the file);
// -1 when none was.
qint64 longestFreezeOf(const ProgramDirCopy& dir, int n, bool waiting = false)
{
    const QRegularExpression figure(waiting ? QStringLiteral("^test longest freeze while waiting: (\\d+) ms$")
                                            : QStringLiteral("^test longest freeze: (\\d+) ms$"));
    for (const QString& text : logOf(dir, n)) {
        const QRegularExpressionMatch match = figure.match(text);
        if (match.hasMatch())
            return match.captured(1).toLongLong();
    }
    return -1;
}

// Runs the statements on the copy's database file from a connection of the test's own.
bool runOn(const QString& database, const QStringList& statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "outside");
        db.setDatabaseName(database);
        ok = db.open();
        for (const QString& sql : statements)
            ok = ok && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase("outside");
    return ok;
}

// Zeroes the first page of a table that the start reads nothing from and gives the file back its time of change
// (a bad sector; a backup restored with its times): only the read-through finds it.
bool damagePage(const QString& database)
{
    int pageSize = 0;
    int page = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pages");
        db.setDatabaseName(database);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        if (db.open() && query.exec("PRAGMA page_size") && query.next())
            pageSize = query.value(0).toInt();
        if (query.exec("select rootpage from sqlite_master where name = 'TAV_ExamStuAnswer_Pro'") && query.next())
            page = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("pages");
    QFile file(database);
    const QDateTime changed = QFileInfo(database).lastModified();
    return pageSize > 0 && page > 1 && file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize)
        && file.write(QByteArray(pageSize, '\0')) == pageSize && file.flush()
        && file.setFileTime(changed, QFileDevice::FileModificationTime);
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
    void fileHeldByAnotherProgramIsWaitedFor_data();
    void fileHeldByAnotherProgramIsWaitedFor();
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
    QVERIFY(damagePage(database));
    const QByteArray before = DbTestSupport::whatStandsAt(database);

    for (int n = 1; n < 3; ++n) {
        QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
        QProcess* tav = dir.start("TAV");
        QVERIFY2(tav->waitForFinished(30000), "TAV went on with a damaged database");
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QCOMPARE(boxesOf(dir, n), QStringList(kDamaged));
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
    // Small, so that packing it takes no time: any content shows which updater stands.
    const QByteArray newUpdater = "updater 9.9.9\n";
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

void TestStartUp::fileHeldByAnotherProgramIsWaitedFor_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("automatic"); // a login remembered with 自动登录
    QTest::newRow("the other program lets go") << "released" << false;
    QTest::newRow("the other program lets go, automatic login") << "released" << true;
    QTest::newRow("× clicked meanwhile") << "closed" << false;
    QTest::newRow("the other program lets go of a damaged file") << "released, damaged" << false;
}

// Another program holds the file as the program starts (a database browser left in a transaction), longer than
// any of SQLite's waits. The file is not damaged: the login dialog comes up, alive, and says why the start waits;
// the start goes on by itself once the file is free, or ends at once on ×. A file found damaged once it is free
// gets the damaged-file words.
void TestStartUp::fileHeldByAnotherProgramIsWaitedFor()
{
    QFETCH(QString, end);
    QFETCH(bool, automatic);
    ProgramDirCopy dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString database = dir.filePath("TAVSqlite.db");
    BoxAnswerer answerer;
    QVERIFY2(usedOnce(dir), "TAV did not start and end cleanly");
    if (automatic) {
        // No service listens on port 1: the automatic login asks to log in offline, and the answerer says yes.
        const QString password = "0123456789abcdef0123456789abcdef";
        QFile ini(dir.filePath("conf/TAVConfig.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate)
                && ini.write("[ClientInfo]\nDomain=127.0.0.1\nServerPort=1\nhdType=rf228\n") > 0);
        ini.close();
        QVERIFY(
            runOn(database,
                  { "insert into TAV_TeacherInfo (username, password, name) values('t01', '" + password + "', '王明')",
                    "update TAV_AppInfo set autologin = 1, loginusername = 't01', password = '" + password + "'" }));
    }
    const bool damaged = end.endsWith("damaged");
    if (damaged)
        QVERIFY(damagePage(database));
    const QByteArray before = DbTestSupport::whatStandsAt(database);

    OtherProgram other(OtherProgram::Write, database);
    QVERIFY(other.isHeld());
    QTRY_VERIFY_WITH_TIMEOUT(dir.segmentUnattached(), 30000);
    QProcess* tav = dir.start("TAV");
    const auto shown = [&] { return logOf(dir, 1).filter(QRegularExpression("^test (shown|hidden): ")); };
    QTRY_VERIFY_WITH_TIMEOUT(!shown().isEmpty() || tav->state() == QProcess::NotRunning, 60000);
    QCOMPARE(shown(), QStringList("test shown: " + kFileInUse));
    QVERIFY(!logOf(dir, 1).contains("enter Login startUp"));

    if (end == "closed") {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(ask(dir, "test-close"));
        QVERIFY2(tav->waitForFinished(10000), "TAV did not end on ×");
        qInfo("TAV ended %lld ms after the × was asked for", static_cast<long long>(clock.elapsed()));
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QVERIFY(logOf(dir, 1).contains("test clicked ×"));
        QVERIFY(other.isHeld()); // the × ended it, not the file set free
        QCOMPARE(boxesOf(dir, 1), QStringList());
        const qint64 freeze = longestFreezeOf(dir, 1, true);
        qInfo("longest freeze of the interface while the start waited: %lld ms", static_cast<long long>(freeze));
        QVERIFY2(freeze >= 0 && freeze < kFreezeHangMs, qPrintable(QString::number(freeze)));
        QCOMPARE(DbTestSupport::whatStandsAt(database), before);
        return;
    }

    // Nothing goes on while the other program holds the file.
    const bool wentOn = QTest::qWaitFor(
        [&] { return tav->state() != QProcess::Running || logOf(dir, 1).contains("enter Login startUp"); },
        int(qMax<qint64>(0, kHoldMs - other.heldMs())));
    QVERIFY2(!wentOn, qPrintable(logOf(dir, 1).join('\n')));
    QCOMPARE(boxesOf(dir, 1), QStringList());
    other.release();

    if (damaged) {
        QVERIFY2(tav->waitForFinished(30000), "TAV went on with a damaged database");
        QCOMPARE(tav->exitStatus() == QProcess::NormalExit ? tav->exitCode() : -1, 0);
        QCOMPARE(boxesOf(dir, 1), QStringList(kDamaged));
        QVERIFY(logOf(dir, 1).filter("cannot be used").value(0).contains("quick_check"));
        QCOMPARE(DbTestSupport::whatStandsAt(database), before);
        return;
    }
    const QString outcome = automatic ? "enter toolbar onShow" : "manu login";
    QTRY_VERIFY_WITH_TIMEOUT(logOf(dir, 1).contains(outcome) || tav->state() == QProcess::NotRunning, 60000);
    QVERIFY2(logOf(dir, 1).contains(outcome), qPrintable(logOf(dir, 1).join('\n')));
    // The start went on where it had stopped: the file opened, the teacher state read, the version check, the
    // login.
    QStringList steps = expectedStartUp();
    steps.insert(steps.contains("startup") ? steps.indexOf("startup") : steps.size(), "openLocalDb");
    QCOMPARE(startUpOf(dir, 1), steps);
    QCOMPARE(shown(), QStringList({ "test shown: " + kFileInUse, "test hidden: fileInUseLabel" }));
    // The tool bar may ask its own questions after it (no class of this receiver).
    QCOMPARE(boxesOf(dir, 1).mid(0, 1),
             automatic ? QStringList("信息 / 服务器连接失败,是否使用离线方式登录?") : QStringList());
    // Logged as the tool bar or the input panel shows, a moment after the lines of its start.
    QTRY_VERIFY_WITH_TIMEOUT(longestFreezeOf(dir, 1) >= 0, 30000);
    const qint64 waiting = longestFreezeOf(dir, 1, true);
    const qint64 freeze = longestFreezeOf(dir, 1);
    qInfo("longest freeze of the interface while the start waited: %lld ms; from the login dialog's first paint "
          "to the %s: %lld ms",
          static_cast<long long>(waiting), automatic ? "tool bar" : "login's input panel",
          static_cast<long long>(freeze));
    QVERIFY2(waiting >= 0 && waiting < kFreezeHangMs, qPrintable(QString::number(waiting)));
    QVERIFY2(freeze < kFreezeHangMs, qPrintable(QString::number(freeze)));
    QCOMPARE(tav->state(), QProcess::Running);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (OtherProgram::isChild(argc, argv))
        return OtherProgram::holdInChild(argc, argv);
    TestStartUp test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestStartUp.moc"

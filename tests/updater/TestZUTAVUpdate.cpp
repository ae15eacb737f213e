#include "DialogAnswerer.h"
#include "InstallHelperProcess.h"
#include "OtherProgram.h"
#include "PackageMaker.h"
#include "PeakMemory.h"
#include "TavSchema.h"
#include "TavSingleInstance.h"
#include "TavWebService.h"
#include "ZUTAVUpdate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <archive_entry.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using PackageMaker::readFile;

namespace {

// A wait bound that only a hang reaches: a restart of the program takes a few seconds on a busy machine.
const int kHangMs = 60000;

// Sets or clears the immutable flag of a folder: nothing in it can be renamed or removed then, not even by root.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

// Answers a package request (as the proxy) with the first 100 KB of a million bytes, then closes the connection
// or keeps it open and silent.
class PartialPackageServer : public QTcpServer
{
public:
    explicit PartialPackageServer(bool closeAfterPart)
    {
        connect(this, &QTcpServer::newConnection, this, [this, closeAfterPart] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, closeAfterPart] {
                socket->setProperty("request", socket->property("request").toByteArray() + socket->readAll());
                if (!socket->property("request").toByteArray().contains("\r\n\r\n")
                    || socket->property("answered").toBool())
                    return;
                socket->setProperty("answered", true);
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 1000000\r\n\r\n"
                    + QByteArray(100000, '7'));
                if (closeAfterPart)
                    socket->disconnectFromHost();
            });
        });
    }
};

// The updater program in both modes against the local web service, in a temporary program directory.
class TestZUTAVUpdate : public QObject
{
    Q_OBJECT

    const QString kPackagePath = "/packages/TAV-update.7z";
    const QString kPackageUrl = "http://download.dovane-tav.test" + kPackagePath;
    QTemporaryDir m_shared; // database template, package
    TavWebService m_web;
    QScopedPointer<QTemporaryDir> m_keys; // the single-instance keys of one row: a row never meets another's
    QScopedPointer<QTemporaryDir> m_root;
    QString m_immutable; // a folder a row made immutable, cleared again at its end
    QString m_programDir;
    QByteArray m_oldProgram;
    QByteArray m_newProgram;
    QByteArray m_package;
    QStringList m_boxes; // "title|text|button" of each message box answered
    QScopedPointer<QProcess> m_holder; // a stand-in TAV holding the single-instance segment

    // The whole program, or only start() and the event loop of the given dialog; answers its one box.
    int runUpdater(const QStringList& args, ZUTAVUpdate* updater = nullptr)
    {
        QByteArray url = args.value(0).toLocal8Bit(), version = args.value(1).toLocal8Bit(), name = "TAVUpdate";
        char* argv[] = { name.data(), url.data(), version.data(), nullptr };
        DialogAnswerer::answerNextModal([this](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || box->buttons().isEmpty())
                return void(widget->close());
            m_boxes.append(box->windowTitle() + '|' + box->text() + '|' + box->buttons().first()->text());
            box->buttons().first()->click();
        });
        QTimer stuck; // an updater that never ends fails the test instead of hanging it
        stuck.callOnTimeout([] { QCoreApplication::exit(-1); });
        stuck.start(kHangMs);
        if (!updater)
            return ZUTAVUpdate::run(1 + args.size(), argv, m_programDir);
        updater->start(1 + args.size(), argv);
        return QApplication::exec();
    }

    // True once nobody holds the single-instance segment.
    static bool segmentFree()
    {
        TavSingleInstance probe;
        if (!probe.acquire())
            return false;
        probe.release();
        return true;
    }

    // Waits until the stand-in TAV has started again in the program directory, found the segment free, and ended,
    // so that whatever comes next finds the segment free too.
    bool waitForRestart() const
    {
        const QString marker = m_programDir + "/started.txt", expected = QFileInfo(m_programDir).canonicalFilePath();
        return QTest::qWaitFor([&] { return QString::fromUtf8(readFile(marker)) == expected; }, kHangMs)
            && QTest::qWaitFor(segmentFree, kHangMs);
    }

    // Waits for the restart; then what the installation holds besides the stand-in's marker.
    QMap<QString, QString> installationAfterRestart() const
    {
        if (!waitForRestart())
            return { { "started.txt", "TAV was not started again" } };
        QMap<QString, QString> items = PackageMaker::snapshot(m_root->path());
        items.remove("prog/started.txt");
        return items;
    }

    // The warnings logged while fn runs.
    static QStringList warningsOf(const std::function<void()>& fn)
    {
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous
            = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                  if (type != QtDebugMsg)
                      warnings << text;
              });
        fn();
        qInstallMessageHandler(previous);
        return warnings;
    }

    // The install of the package, killed where stop says, as a kill or a power loss leaves it.
    void cutOffInstall(const QString& stop)
    {
        const QString archive = m_programDir + "/TAVUpdate4.3.0.7z";
        QVERIFY(QFile::copy(m_shared.filePath("package.7z"), archive));
        QCOMPARE(runInstallHelper({ "install", archive, m_programDir, "4.3.0" }, stop), QString("stopped"));
        QVERIFY(QFile::exists(m_programDir + "/.lib7z-journal"));
    }

    QStringList leftovers() const
    {
        return QDir(m_programDir).entryList({ ".lib7z-*", "TAVUpdate*" }, QDir::AllEntries | QDir::Hidden);
    }

    QString storedVersion() const
    {
        QSqlQuery query("SELECT version FROM TAV_AppInfo WHERE appID = '0'", QSqlDatabase::database("fixture"));
        return query.next() ? query.value(0).toString() : QString();
    }

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(m_web.start());
        m_web.useAsApplicationProxy();
        qputenv("TAV_HTTP_PROXY", m_web.hostPort().toLatin1());
        m_oldProgram = readFile(QStringLiteral(TAV_STANDIN_PATH));
        m_newProgram = m_oldProgram + QByteArray("\nversion 4.3.0\n"); // still runs
        const QString source = m_shared.filePath("src");
        QVERIFY(PackageMaker::writeFile(source + "/TAV", m_newProgram, true)
                && PackageMaker::writeFile(source + "/说明/新.txt", "新文件")
                && PackageMaker::writeFile(source + "/插件/新.dll", "新插件"));
        QVERIFY(PackageMaker::make7z(m_shared.filePath("package.7z"), source, { "TAV", "说明", "插件" }));
        m_package = readFile(m_shared.filePath("package.7z"));
        // The main program's own schema, with its application row of version 4.2.0.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(m_shared.filePath("TAVSqlite.db"));
        QVERIFY(db.open());
        for (const QString& statement : TavSchema::statements())
            QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
        db.close();
    }

    void init()
    {
        // The single-instance objects are keyed by files in the temporary folder: a folder of the row's own keeps
        // it apart from the other rows, other tests and a TAV running on the machine. Child processes inherit it.
        qputenv("TMPDIR", QFile::encodeName(m_shared.path()));
        m_root.reset(new QTemporaryDir);
        m_keys.reset(new QTemporaryDir);
        qputenv("TMPDIR", QFile::encodeName(m_keys->path()));
        m_programDir = QFileInfo(m_root->filePath("prog")).absoluteFilePath();
        QVERIFY(PackageMaker::writeFile(m_programDir + "/TAV", m_oldProgram, true));
        QVERIFY(PackageMaker::writeFile(m_programDir + "/说明/旧.txt", "old"));
        QVERIFY(QFile::copy(m_shared.filePath("TAVSqlite.db"), m_programDir + "/TAVSqlite.db"));
        QSqlDatabase::database("fixture", false).setDatabaseName(m_programDir + "/TAVSqlite.db");
        m_web.clearFailures();
        m_web.clearRequests();
        m_boxes.clear();
        DialogAnswerer::clear();
    }

    void cleanup()
    {
        QSqlDatabase::database("fixture", false).close();
        m_holder.reset();
        if (!m_immutable.isEmpty())
            QVERIFY(setImmutable(m_immutable, false));
        m_immutable.clear();
        QVERIFY(DialogAnswerer::waitUntilAnswered(5000));
        QCOMPARE(DialogAnswerer::failures(), 0);
    }

    void compareVersion_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("upToDate");
        // The first rule that applies decides: local under 5 characters, server empty, under 3 parts, weighted sum.
        const std::tuple<const char*, const char*, bool> rows[]
            = { { "4.2.0", "4.2.1", false },    { "4.2.0", "4.2.0", true }, { "4.2.0", "4.1.100", true },
                { "4.2.0", "4.1.101", false },  { "4.2", "4.2.0", false },  { "", "", false },
                { "4.2.0", "", true },          { "4.2.0", "5.0", false },  { "10.20", "10.30.0", false },
                { "4.2.0.9", "4.2.0.1", true }, { "4.2.x", "4.2.0", true } };
        for (const auto& [local, server, upToDate] : rows)
            QTest::addRow("'%s' against '%s'", local, server) << QString(local) << QString(server) << upToDate;
    }

    void compareVersion()
    {
        QFETCH(QString, local);
        QFETCH(QString, server);
        QFETCH(bool, upToDate);
        bool result = false;
        ZUTAVUpdate::compareVersion(local, server, result);
        QCOMPARE(result, upToDate);
    }

    void translationCoversEveryContext()
    {
        QVERIFY(QFileInfo(TAV_BIN_DIR "/TAVUpdate").isExecutable());
        QTranslator translator;
        QVERIFY(translator.load(TAV_BIN_DIR "/language/zh_CN/ZUTAVUpdate_zh_CN.qm"));
        // Looked up in another context than the one it was translated in, a text stays English.
        for (const auto& [context, text] :
             { std::pair { "ZUTAVUpdateDialog", "ZUTAVUpdate" },
               { "ZUTAVUpdate", "Download failed, please try again." },
               { "ZUTAVUpdate",
                 "The last update could not be finished: the database file is in use by another program. Please "
                 "close that program and try again." },
               { "QObject", "Ok" },
               { "QObject", "Application has been started.Please exit current application and try again." } })
            QVERIFY2(!translator.translate(context, text).isEmpty(), text);
    }

    void secondInstanceWaitsOnlyInUpdateMode()
    {
        // The main program has started the updater but has not ended yet.
        m_holder.reset(new QProcess);
        m_holder->start(QStringLiteral(TAV_STANDIN_PATH), { "--hold" });
        while (!m_holder->canReadLine() && m_holder->waitForReadyRead(kHangMs)) { }
        QCOMPARE(m_holder->readLine(), QByteArray("ready\n"));
        // Started by hand, the updater refuses at once.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runUpdater({ "http://ignored.test/only-a-url.7z" }), 0);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(m_web.requests().isEmpty());

        m_web.setStaticFile(kPackagePath, m_package);
        QDateTime released;
        QTimer::singleShot(700, this, [&] {
            released = QDateTime::currentDateTime();
            m_holder->closeWriteChannel();
        });
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }), 0);
        QCOMPARE(m_boxes,
                 QStringList({ "Warning|Application has been started.Please exit current application and try again.|Ok",
                               "Information|Update done, application will be restarted.|Yes" }));
        const QList<WebRequest> downloads = m_web.requestsTo(kPackagePath);
        QVERIFY(downloads.size() == 1 && released.isValid() && downloads.at(0).time >= released);
        QCOMPARE(readFile(m_programDir + "/TAV"), m_newProgram);
        QVERIFY(QFileInfo(m_programDir + "/TAV").isExecutable());
        QCOMPARE(QString::fromUtf8(readFile(m_programDir + "/说明/新.txt")), QString("新文件"));
        QCOMPARE(storedVersion(), QString("4.3.0"));
        QVERIFY(!QFile::exists(m_programDir + "/TAVUpdate4.3.0.7z"));
        // The new program runs, started in the program directory, and finds the segment given up.
        QVERIFY(waitForRestart());
    }

    void manualModeDownloadsOnlyNewerVersion_data()
    {
        QTest::addColumn<QString>("server"); // empty: the version service never answers
        QTest::addColumn<bool>("database");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("url");
        const QString done = "Information|Update done.|Ok";
        QTest::newRow("newer") << "4.2.1" << true << done << kPackagePath;
        QTest::newRow("same") << "4.2.0" << true
                              << "Information|The TAV application is the latest version,do not need to update.|Yes"
                              << kPackagePath;
        // Opening a missing database would create an empty one that the main program takes for its own.
        QTest::newRow("no database") << "4.2.1" << false << done << kPackagePath;
        QTest::newRow("no answer") << "" << true
                                   << "Warning|Internet connection lost,Please check internet connection!|Ok"
                                   << kPackagePath;
        // A reply far over any version reply counts as none.
        QTest::newRow("answer of 8 MiB") << "oversized" << true
                                         << "Warning|Internet connection lost,Please check internet connection!|Ok"
                                         << kPackagePath;
        // Given up at its time-out after its headers: a cut answer is none, not an answer naming no version.
        QTest::newRow("answer cut at its time-out")
            << "cut" << true << "Warning|Internet connection lost,Please check internet connection!|Ok" << kPackagePath;
        // Sent compressed against the request: refused before it is inflated.
        QTest::newRow("answer compressed")
            << "compressed" << true << "Warning|Internet connection lost,Please check internet connection!|Ok"
            << kPackagePath;
        QTest::newRow("newer offered as a file")
            << "4.2.1" << true << "Information|Download failed, please try again.|Ok"
            << "file://" + m_shared.filePath("package.7z");
        // A host in a file address still names a file of this PC (or of a share it reaches).
        QTest::newRow("newer offered as a file of a host")
            << "4.2.1" << true << "Information|Download failed, please try again.|Ok"
            << "file://localhost" + m_shared.filePath("package.7z");
    }

    void manualModeDownloadsOnlyNewerVersion()
    {
        QFETCH(QString, server);
        QFETCH(bool, database);
        QFETCH(QString, box);
        QFETCH(QString, url);
        QVERIFY(database || QFile::remove(m_programDir + "/TAVSqlite.db"));
        m_web.setStaticFile(kPackagePath, m_package);
        m_web.setVersionReply(server, url, false);
        if (server.isEmpty())
            m_web.setFailure("/bizserver/version/get", WebFailure::NoAnswer);
        if (server == "oversized")
            m_web.setOversizedReply("/bizserver/version/get", 8 * 1024 * 1024);
        if (server == "cut")
            m_web.setTrickledReply("/bizserver/version/get", 500);
        if (server == "compressed")
            m_web.setCompressedReply("/bizserver/version/get", qint64(1) << 30, "gzip", false);
        ZUTAVUpdate updater(m_programDir);
        updater.setVersionTimeout(2000); // stands for the 30 s of the program
        QCOMPARE(runUpdater({}, &updater), 0);
        QCOMPARE(m_boxes, QStringList(box));
        const QList<WebRequest> asks = m_web.requestsTo("/bizserver/version/get");
        QVERIFY(asks.size() == 1 && asks.at(0).signOk);
        QCOMPARE(asks.at(0).param("version"), QString(database ? "4.2.0" : ""));
        const bool newer = server == "4.2.1" && url == kPackagePath;
        QCOMPARE(m_web.requestsTo(kPackagePath).size(), int(newer));
        QCOMPARE(readFile(m_programDir + "/TAV"), newer ? m_newProgram : m_oldProgram);
        QCOMPARE(QFile::exists(m_programDir + "/TAVSqlite.db"), database);
        if (database)
            QCOMPARE(storedVersion(), newer ? server : "4.2.0");
    }

    void startFinishesUpdateCutOff_data()
    {
        QTest::addColumn<QString>("stop"); // where the install was killed
        QTest::addColumn<QString>("version");
        QTest::newRow("killed after the first file") << "file:1"
                                                     << "4.2.0";
        QTest::newRow("killed once whole, before the version was recorded") << "commit"
                                                                            << "4.3.0";
    }

    void startFinishesUpdateCutOff()
    {
        QFETCH(QString, stop);
        QFETCH(QString, version);
        cutOffInstall(stop);
        if (QTest::currentTestFailed())
            return;
        // Started by hand: the folder is in order before the version is read for the version service.
        m_web.setVersionReply("4.2.0", kPackagePath, false);
        QCOMPARE(runUpdater({}), 0);
        const QList<WebRequest> asks = m_web.requestsTo("/bizserver/version/get");
        QVERIFY(asks.size() == 1);
        QCOMPARE(asks.at(0).param("version"), version);
        QCOMPARE(storedVersion(), version);
        const bool installed = version == "4.3.0";
        QCOMPARE(readFile(m_programDir + "/TAV"), installed ? m_newProgram : m_oldProgram);
        QCOMPARE(QFile::exists(m_programDir + "/说明/新.txt"), installed);
        QCOMPARE(leftovers(), QStringList());
    }

    // What an earlier update left that its journal cannot put in order, or may not: the next update still goes
    // in whole, and the journal that breaks the rules of an install is kept, untouched, for the administrator.
    void laterUpdateInstallsWhole_data()
    {
        QTest::addColumn<QString>("left");
        QTest::newRow("a damaged journal") << "damaged";
        QTest::newRow("a journal naming the database") << "database";
        QTest::newRow("a journal whose staging folder leads out of the program folder") << "link";
        QTest::newRow("a folder of the cut-off update that holds a file since") << "filled";
    }

    void laterUpdateInstallsWhole()
    {
        QFETCH(QString, left);
        const QString outside = m_root->filePath("outside"), staging = ".lib7z-staging-planted";
        QVERIFY(PackageMaker::writeFile(outside + "/lesson.txt", "a teacher's file"));
        const QByteArray journal = "lib7z-install 1\nstaging " + staging.toUtf8() + "\nbackup .lib7z-backup-planted\n"
            + "note 4.3.0\nfile " + (left == "database" ? "TAVSqlite.db" : "TAV") + "\nend\n";
        if (left == "damaged")
            QVERIFY(PackageMaker::writeFile(m_programDir + "/.lib7z-journal", "lib7z-install 1\nstaging \xff\n"));
        if (left == "database" || left == "link") {
            QVERIFY(QDir(m_programDir).mkpath(".lib7z-backup-planted"));
            QVERIFY(left == "link" ? QFile::link(outside, m_programDir + '/' + staging)
                                   : QDir(m_programDir).mkpath(staging));
            QVERIFY(PackageMaker::writeFile(m_programDir + "/.lib7z-journal", journal));
        }
        if (left == "filled") {
            // Every file placed, not yet whole; then the half-new program put a file of its own in a new folder.
            cutOffInstall("file:3");
            QVERIFY(!QTest::currentTestFailed());
            QVERIFY(PackageMaker::writeFile(m_programDir + "/插件/缓存.dat", "cache"));
        }
        const QMap<QString, QString> outsideBefore = PackageMaker::snapshot(outside);
        m_web.setStaticFile(kPackagePath, m_package);

        int code = -1;
        const QStringList warnings = warningsOf([&] { code = runUpdater({ kPackageUrl, "4.3.0" }); });
        QCOMPARE(code, 0);
        QCOMPARE(m_boxes, QStringList("Information|Update done, application will be restarted.|Yes"));
        QVERIFY(waitForRestart());
        QCOMPARE(readFile(m_programDir + "/TAV"), m_newProgram);
        QCOMPARE(QString::fromUtf8(readFile(m_programDir + "/说明/新.txt")), QString("新文件"));
        QCOMPARE(QString::fromUtf8(readFile(m_programDir + "/插件/新.dll")), QString("新插件"));
        QCOMPARE(storedVersion(), QString("4.3.0"));
        QCOMPARE(PackageMaker::snapshot(outside), outsideBefore);
        if (left == "filled") {
            QCOMPARE(readFile(m_programDir + "/插件/缓存.dat"), QByteArray("cache"));
            QCOMPARE(leftovers(), QStringList());
            return;
        }
        // The journal set aside with what it names, and the reason logged.
        const QStringList kept = leftovers().filter(QRegularExpression("^\\.lib7z-journal\\.set-aside-"));
        QCOMPARE(kept.size(), 1);
        QVERIFY(!QFile::exists(m_programDir + "/.lib7z-journal"));
        QCOMPARE(readFile(m_programDir + '/' + kept.first()),
                 left == "damaged" ? QByteArray("lib7z-install 1\nstaging \xff\n") : journal);
        QVERIFY2(!warnings.filter("was set aside").filter(kept.first()).isEmpty(), qPrintable(warnings.join('\n')));
        QCOMPARE(QFileInfo(m_programDir + '/' + staging).isSymLink(), left == "link");
    }

    // The teacher is told why no update is installed while the last one is not in order, and gets the program
    // back; once the cause is gone, the next start puts the folder in order.
    void refusesUpdateWhileLastOneIsNotInOrder_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("text");
        QTest::newRow("database in use by another program")
            << "database"
            << "The last update could not be finished: the database file is in use by another program. Please "
               "close that program and try again.";
        QTest::newRow("a file that cannot be put back")
            << "immutable"
            << "The last update could be neither finished nor undone, so no update can be installed. Please ask the "
               "administrator to check the program folder; the log names the files concerned.";
    }

    void refusesUpdateWhileLastOneIsNotInOrder()
    {
        QFETCH(QString, cause);
        QFETCH(QString, text);
        QScopedPointer<OtherProgram> other;
        if (cause == "database") {
            // Whole, its version not recorded yet; another program holds the database beyond the wait for it.
            cutOffInstall("commit");
            QVERIFY(!QTest::currentTestFailed());
            other.reset(new OtherProgram(OtherProgram::Write, m_programDir + "/TAVSqlite.db"));
            QVERIFY(other->isHeld());
        } else {
            // Every file placed; one of them now stands in a folder nothing may change in.
            cutOffInstall("file:3");
            QVERIFY(!QTest::currentTestFailed());
            if (!setImmutable(m_programDir + "/说明", true))
                QSKIP("no immutable folders here (not root, or a file system without the flag)");
            m_immutable = m_programDir + "/说明";
        }
        m_web.setStaticFile(kPackagePath, m_package);
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }), 0);
        QCOMPARE(m_boxes, QStringList("Warning|" + text + "|Ok"));
        QVERIFY(m_web.requestsTo(kPackagePath).isEmpty());
        QVERIFY(QFile::exists(m_programDir + "/.lib7z-journal"));
        QVERIFY(waitForRestart());

        // The cause gone, a start by hand finds one whole version, recorded.
        if (other)
            other->release();
        if (!m_immutable.isEmpty())
            QVERIFY(setImmutable(m_immutable, false));
        m_immutable.clear();
        QFile::remove(m_programDir + "/started.txt");
        m_boxes.clear();
        const QString version = cause == "database" ? "4.3.0" : "4.2.0";
        m_web.setVersionReply(version, kPackagePath, false);
        QCOMPARE(runUpdater({}), 0);
        QCOMPARE(m_boxes,
                 QStringList("Information|The TAV application is the latest version,do not need to update.|Yes"));
        QCOMPARE(m_web.requestsTo("/bizserver/version/get").value(0).param("version"), version);
        QCOMPARE(storedVersion(), version);
        QCOMPARE(readFile(m_programDir + "/TAV"), cause == "database" ? m_newProgram : m_oldProgram);
        QCOMPARE(leftovers(), QStringList());
    }

    // Another program holds the database while the update installs, longer than the install waits for it: the
    // new version stands, and the next start, of either program, records it.
    void versionHeldByAnotherProgramIsRecordedAtNextStart_data()
    {
        QTest::addColumn<bool>("updaterStartsNext"); // else the main program's start recovers
        QTest::newRow("the updater started next") << true;
        QTest::newRow("the program started next") << false;
    }

    void versionHeldByAnotherProgramIsRecordedAtNextStart()
    {
        QFETCH(bool, updaterStartsNext);
        m_web.setStaticFile(kPackagePath, m_package);
        OtherProgram other(OtherProgram::Write, m_programDir + "/TAVSqlite.db");
        QVERIFY(other.isHeld());
        ZUTAVUpdate updater(m_programDir);
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }, &updater), 0);
        QCOMPARE(m_boxes, QStringList("Information|Update done, application will be restarted.|Yes"));
        QVERIFY(waitForRestart());
        QCOMPARE(readFile(m_programDir + "/TAV"), m_newProgram);
        other.release();
        QCOMPARE(storedVersion(), QString("4.2.0"));
        QVERIFY(QFile::exists(m_programDir + "/.lib7z-journal"));

        if (updaterStartsNext) {
            m_boxes.clear();
            m_web.setVersionReply("4.3.0", kPackagePath, false);
            QCOMPARE(runUpdater({}), 0);
            QCOMPARE(m_web.requestsTo("/bizserver/version/get").value(0).param("version"), QString("4.3.0"));
            QCOMPARE(m_boxes,
                     QStringList("Information|The TAV application is the latest version,do not need to update.|Yes"));
        } else {
            QVERIFY(runInstallHelper({ "recover", m_programDir }).startsWith("done 1"));
        }
        QCOMPARE(storedVersion(), QString("4.3.0"));
        QCOMPARE(leftovers(), QStringList());
    }

    void failedUpdateKeepsInstallation_data()
    {
        QTest::addColumn<QString>("served");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url"); // empty: the package's address at the web service
        QTest::newRow("server error") << "500"
                                      << "4.3.0"
                                      << "";
        QTest::newRow("not found") << "404"
                                   << "4.3.0"
                                   << "";
        QTest::newRow("empty body") << "empty"
                                    << "4.3.0"
                                    << "";
        QTest::newRow("not a 7z archive") << "foreign"
                                          << "4.3.0"
                                          << "";
        QTest::newRow("damaged 7z") << "damaged"
                                    << "4.3.0"
                                    << "";
        // What a package may not do: replace the teacher's data, or hold nothing to install.
        QTest::newRow("package replacing the database") << "database"
                                                        << "4.3.0"
                                                        << "";
        QTest::newRow("package replacing the configuration") << "conf"
                                                             << "4.3.0"
                                                             << "";
        QTest::newRow("package without a file") << "folders"
                                                << "4.3.0"
                                                << "";
        // Only web addresses: nothing is fetched from this PC or by another protocol.
        QTest::newRow("file address") << "package"
                                      << "4.3.0"
                                      << "file://@package";
        QTest::newRow("file address with a host") << "package"
                                                  << "4.3.0"
                                                  << "file://localhost@package";
        QTest::newRow("file address with a share's host") << "package"
                                                          << "4.3.0"
                                                          << "FILE://fileserver@package";
        QTest::newRow("ftp address") << "package"
                                     << "4.3.0"
                                     << "ftp://download.dovane-tav.test/TAV-update.7z";
        QTest::newRow("web address without host") << "package"
                                                  << "4.3.0"
                                                  << "http:///packages/TAV-update.7z";
        QTest::newRow("no address") << "package"
                                    << "4.3.0"
                                    << "not a url";
        // A secure web address is tried, here at a port where nobody listens.
        QTest::newRow("https address, nobody there") << "package"
                                                     << "4.3.0"
                                                     << "https://127.0.0.1:1/TAV-update.7z";
        // The version names the archive file: nothing is downloaded.
        QTest::newRow("version with parent folders") << "package"
                                                     << "/../../escape"
                                                     << "";
        QTest::newRow("version with double dot") << "package"
                                                 << "4..3"
                                                 << "";
        QTest::newRow("version too long") << "package" << QString(65, '4') << "";
        QTest::newRow("version with quote") << "package"
                                            << "4.3.0'"
                                            << "";
        QTest::newRow("empty version") << "package"
                                       << ""
                                       << "";
    }

    // Started by the main program, which ended for the update, the updater always starts it again.
    void failedUpdateKeepsInstallation()
    {
        QFETCH(QString, served);
        QFETCH(QString, version);
        QFETCH(QString, url);
        const QString raw = m_shared.filePath("raw.7z");
        const QMap<QString, QVector<PackageMaker::RawEntry>> rawPackages {
            { "database", { { "TAV", AE_IFREG, m_newProgram, 0755 }, { "TAVSqlite.db", AE_IFREG, "not a database" } } },
            { "conf", { { "TAV", AE_IFREG, m_newProgram, 0755 }, { "conf/TAVConfig.ini", AE_IFREG, "[ClientInfo]" } } },
            { "folders", { { "Resources", AE_IFDIR, {}, 0755 } } }
        };
        QVERIFY(!rawPackages.contains(served) || PackageMaker::writeRaw7z(raw, rawPackages.value(served)));
        const QMap<QString, QByteArray> bodies { { "empty", QByteArray() },
                                                 { "foreign", QByteArray(2500000, 'z') },
                                                 { "damaged", m_package.left(m_package.size() - 16) },
                                                 { "database", readFile(raw) },
                                                 { "conf", readFile(raw) },
                                                 { "folders", readFile(raw) } };
        m_web.setStaticFile(kPackagePath, bodies.value(served, m_package));
        if (served == "500")
            m_web.setFailure(kPackagePath, WebFailure::Http500);
        else if (served == "404")
            m_web.setCannedReply(kPackagePath, 404, "<html>not found</html>");
        url.replace("@package", m_shared.filePath("package.7z"));
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());

        ZUTAVUpdate updater(m_programDir);
        int code = -1;
        const QStringList warnings = warningsOf([&] {
            code = runUpdater({ url.isEmpty() ? kPackageUrl : url, version }, &updater);
        });
        QCOMPARE(code, 0);
        QCOMPARE(m_boxes, QStringList("Information|Download failed, please try again.|Ok"));
        // A foreign address is refused by the updater itself, before the network is asked.
        QCOMPARE(!warnings.filter("refused the package address").isEmpty(),
                 !url.isEmpty() && !url.startsWith("https://"));
        QVERIFY(!updater.isVisible());
        QCOMPARE(m_web.requestsTo(kPackagePath).size(), int(served != "package"));
        if (served == "foreign")
            QCOMPARE(updater.findChild<QLabel*>("ProgressLabel")->text(), QString("Downloading 2441KB / 2441KB"));
        QCOMPARE(installationAfterRestart(), before);
        QCOMPARE(storedVersion(), QString("4.2.0"));
    }

    void abandonedDownloadRestartsProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("connection lost") << "lost";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close button") << "close";
    }

    void abandonedDownloadRestartsProgram()
    {
        QFETCH(QString, how);
        PartialPackageServer server(how == "lost");
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server.serverPort()));
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());

        ZUTAVUpdate updater(m_programDir);
        // Qt reports progress at most every 100 ms: the partial package on disk shows a part has arrived. Not all
        // of it: the file may keep the last bytes in its buffer until more come, and no more come.
        bool asked = false;
        QTimer arrived;
        arrived.callOnTimeout([&] {
            if (how == "lost" || QFileInfo(m_programDir + "/TAVUpdate4.3.0.7z").size() <= 0)
                return;
            arrived.stop();
            asked = true;
            if (how == "escape")
                QTest::keyClick(&updater, Qt::Key_Escape);
            else
                updater.close();
        });
        arrived.start(10);
        const int code = runUpdater({ kPackageUrl, "4.3.0" }, &updater);
        m_web.useAsApplicationProxy();
        QCOMPARE(code, 0);
        QCOMPARE(asked, how != "lost");
        QCOMPARE(m_boxes, QStringList("Information|Download failed, please try again.|Ok"));
        QCOMPARE(installationAfterRestart(), before); // no partial package left
    }

    // A package far over its bound, as fast as loopback carries it: refused by its announced length before it
    // comes, or cut at the bound; the disk never holds more of it, and the program is started again.
    void oversizedPackageStaysWithinItsBound_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::newRow("length announced") << true;
        QTest::newRow("length unannounced") << false;
    }

    void oversizedPackageStaysWithinItsBound()
    {
        QFETCH(bool, announced);
        const qint64 bound = 1024 * 1024;
        m_web.setOversizedReply(kPackagePath, 64 * bound, announced);
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        // The package file under a second name that outlives the updater's removal of its own: what was written.
        const QString archive = m_programDir + "/TAVUpdate4.3.0.7z", seen = m_shared.filePath("package.seen");
        QFile::remove(seen);
        QVERIFY(PackageMaker::writeFile(archive, QByteArray()));
        QVERIFY(::link(QFile::encodeName(archive), QFile::encodeName(seen)) == 0);

        ZUTAVUpdate updater(m_programDir);
        updater.setPackageLimit(bound);
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }, &updater), 0);
        QCOMPARE(m_boxes, QStringList("Information|Download failed, please try again.|Ok"));
        QVERIFY2(QFileInfo(seen).size() <= (announced ? 0 : bound),
                 qPrintable(QString::number(QFileInfo(seen).size())));
        QCOMPARE(installationAfterRestart(), before);
        QFile::remove(seen);
    }

    // About a megabyte that inflates to a gigabyte, with its length and chunked: refused before it is inflated, the
    // installation untouched and the program started again.
    void compressedPackageIsRefusedUninflated_data()
    {
        QTest::addColumn<bool>("chunked");
        QTest::newRow("with its length") << false;
        QTest::newRow("chunked") << true;
    }

    void compressedPackageIsRefusedUninflated()
    {
        QFETCH(bool, chunked);
        m_web.setCompressedReply(kPackagePath, qint64(1) << 30, "gzip", chunked);
        const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());
        ZUTAVUpdate updater(m_programDir);
        const PeakMemory::Growth memory;
        QVERIFY(memory.isValid());
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }, &updater), 0);
        const qint64 grown = memory.bytes();
        QCOMPARE(m_boxes, QStringList("Information|Download failed, please try again.|Ok"));
        QVERIFY2(grown < 64 * 1024 * 1024, qPrintable(memory.describe()));
        QCOMPARE(m_web.requestsTo(kPackagePath).value(0).header("accept-encoding"), QByteArray("identity"));
        QCOMPARE(installationAfterRestart(), before);
    }

    void progressBarMovesWhileUnpacking()
    {
        m_web.setStaticFile(kPackagePath, m_package);
        ZUTAVUpdate updater(m_programDir);
        auto* bar = updater.findChild<QProgressBar*>("DownloadProgressBar");
        auto* label = updater.findChild<QLabel*>("ProgressLabel");
        QVector<int> values;
        connect(bar, &QProgressBar::valueChanged, this, [&](int value) {
            if (label->text().startsWith("Unpacking ") && updater.isVisible())
                values.append(value);
        });
        QCOMPARE(runUpdater({ kPackageUrl, "4.3.0" }, &updater), 0);
        QCOMPARE(m_boxes, QStringList("Information|Update done, application will be restarted.|Yes"));
        QVERIFY2(values.size() >= 3, qPrintable(QString::number(values.size())));
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.last(), bar->maximum());
        QCOMPARE(label->text(), QString("Unpacking %1KB / %1KB").arg(bar->maximum() / 1024));
        QCOMPARE(readFile(m_programDir + "/TAV"), m_newProgram);
        QVERIFY(waitForRestart());
    }

    void qtTranslationLoads_data()
    {
        QTest::addColumn<bool>("partialCopy");
        QTest::newRow("none beside the program") << false;
        // Qt's catalogue without the module files it pulls in does not load by itself.
        QTest::newRow("a copy without its module files beside the program") << true;
    }

    void qtTranslationLoads()
    {
        QFETCH(bool, partialCopy);
        const QString system = QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qt_zh_CN.qm";
        if (!QFileInfo::exists(system))
            QSKIP("Qt's Chinese translations (qttranslations5-l10n) are not installed");
        QVERIFY(!partialCopy
                || PackageMaker::writeFile(m_programDir + "/language/zh_CN/qt_zh_CN.qm", readFile(system)));
        QTranslator translator;
        QVERIFY(ZUTAVUpdate::loadQtTranslation(translator, m_programDir));
        // The buttons of Qt's own boxes and the file dialog's labels.
        QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), QString("取消"));
        QVERIFY(!translator.translate("QFileDialog", "Look in:").isEmpty());
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Started again as the other program that holds a database file.
    if (OtherProgram::isChild(argc, argv))
        return OtherProgram::holdInChild(argc, argv);
    TestZUTAVUpdate test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "TestZUTAVUpdate.moc"

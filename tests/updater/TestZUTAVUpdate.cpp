#include "DialogAnswerer.h"
#include "PackageMaker.h"
#include "TavSchema.h"
#include "TavWebService.h"
#include "ZUTAVUpdate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {

const char* const kPackagePath = "/packages/TAV-update.7z";
const char* const kDownloadHost = "http://download.dovane-tav.test";

struct Box
{
    QString title;
    QString text;
    QString button;
};

} // namespace

// The updater program: both modes against the local web service, in a temporary program directory.
class TestZUTAVUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void compareVersion_data();
    void compareVersion();
    void translationCoversEveryText_data();
    void translationCoversEveryText();

    void updateModeWaitsForProgramThenInstallsAndRestarts();
    void manualModeRefusesAtOnceWhileProgramRuns();
    void manualModeDownloadsOnlyNewerVersion_data();
    void manualModeDownloadsOnlyNewerVersion();
    void missingDatabaseStaysMissing();
    void unansweredVersionRequestTimesOut();
    void progressShowsKilobytesAndForeignFileStays();
    void failedDownloadLeavesNoArchive_data();
    void failedDownloadLeavesNoArchive();
    void unsafeVersionDownloadsNothing_data();
    void unsafeVersionDownloadsNothing();
    void damagedPackageKeepsInstallationAndRestartsProgram();

private:
    int runUpdater(const QStringList& args);
    void answerNextBox();
    QString storedVersion() const;
    QByteArray makePackage(bool damaged = false);
    QString archivePath(const QString& version) const { return m_programDir + "/TAVUpdate" + version + ".7z"; }
    QString startedMarker() const { return m_programDir + "/started.txt"; }

    QTemporaryDir m_ipcDir;
    TavWebService m_web;
    QScopedPointer<QTemporaryDir> m_root;
    QString m_programDir;
    QByteArray m_oldProgram;
    QByteArray m_newProgram;
    QList<Box> m_boxes;
    QScopedPointer<QProcess> m_holder;
};

void TestZUTAVUpdate::initTestCase()
{
    // The single-instance objects are keyed by files in the temporary folder: a private one keeps this
    // test apart from other tests and from a TAV running on the machine. Child processes inherit it.
    QVERIFY(m_ipcDir.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_ipcDir.path()));
    QVERIFY(!PackageMaker::sevenZip().isEmpty());
    QApplication::setQuitOnLastWindowClosed(false);

    QVERIFY(m_web.start());
    m_web.useAsApplicationProxy();
    qputenv("TAV_HTTP_PROXY", m_web.hostPort().toLatin1());

    m_oldProgram = PackageMaker::readFile(QStringLiteral(TAV_STANDIN_PATH));
    QVERIFY(!m_oldProgram.isEmpty());
    // Trailing bytes leave the program runnable and tell the versions apart.
    m_newProgram = m_oldProgram + QByteArray("\nversion 4.3.0\n");
}

void TestZUTAVUpdate::init()
{
    m_root.reset(new QTemporaryDir);
    QVERIFY(m_root->isValid());
    m_programDir = QFileInfo(m_root->filePath("prog")).absoluteFilePath();
    QVERIFY(QDir().mkpath(m_programDir));
    QVERIFY(PackageMaker::writeFile(m_programDir + "/TAV", m_oldProgram, true));
    QVERIFY(PackageMaker::writeFile(m_programDir + "/说明/旧.txt", "old"));

    QSqlDatabase db = QSqlDatabase::contains("fixture") ? QSqlDatabase::database("fixture", false)
                                                        : QSqlDatabase::addDatabase("QSQLITE", "fixture");
    db.setDatabaseName(m_programDir + "/TAVSqlite.db");
    QVERIFY(db.open());
    // The main program's own schema, with its application row of version 4.2.0.
    QSqlQuery query(db);
    for (const QString& statement : TavSchema::statements())
        QVERIFY2(query.exec(statement), qPrintable(statement));
    db.close();

    m_web.clearFailures();
    m_web.clearRequests();
    m_boxes.clear();
    DialogAnswerer::clear();
}

void TestZUTAVUpdate::cleanup()
{
    if (m_holder) {
        m_holder->closeWriteChannel();
        if (!m_holder->waitForFinished(5000))
            m_holder->kill();
        m_holder.reset();
    }
    QVERIFY(DialogAnswerer::waitUntilAnswered(5000));
    QCOMPARE(DialogAnswerer::failures(), 0);
    m_root.reset();
}

int TestZUTAVUpdate::runUpdater(const QStringList& args)
{
    QList<QByteArray> bytes { "TAVUpdate" };
    for (const QString& arg : args)
        bytes.append(arg.toLocal8Bit());
    QVector<char*> argv;
    for (QByteArray& b : bytes)
        argv.append(b.data());
    argv.append(nullptr);
    return ZUTAVUpdate::run(bytes.size(), argv.data(), m_programDir);
}

void TestZUTAVUpdate::answerNextBox()
{
    DialogAnswerer::answerNextModal([this](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || box->buttons().isEmpty()) {
            widget->close();
            return;
        }
        m_boxes.append({ box->windowTitle(), box->text(), box->buttons().first()->text() });
        box->buttons().first()->click();
    });
}

QString TestZUTAVUpdate::storedVersion() const
{
    QSqlDatabase db = QSqlDatabase::database("fixture", false);
    if (!db.open())
        return "(no database)";
    QString version;
    {
        QSqlQuery query(db);
        query.exec("SELECT version FROM TAV_AppInfo WHERE appID = '0'");
        if (query.next())
            version = query.value(0).toString();
    }
    db.close();
    return version;
}

QByteArray TestZUTAVUpdate::makePackage(bool damaged)
{
    const QString source = m_root->filePath("src");
    const QString path = m_root->filePath("package.7z");
    if (!PackageMaker::writeFile(source + "/TAV", m_newProgram, true)
        || !PackageMaker::writeFile(source + "/说明/新.txt", "新文件")
        || !PackageMaker::make7z(path, source, { "TAV", "说明" }))
        return QByteArray();
    const QByteArray bytes = PackageMaker::readFile(path);
    return damaged ? bytes.left(bytes.size() - 16) : bytes;
}

void TestZUTAVUpdate::compareVersion_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("upToDate");
    const struct
    {
        const char* local;
        const char* server;
        bool upToDate;
    } rows[] = { { "4.2.0", "4.2.1", false },
                 { "4.2.0", "4.2.0", true },
                 { "4.2.0", "4.1.9", true },
                 { "4.2.0", "4.1.100", true },
                 { "4.2.0", "4.1.101", false },
                 { "4.2", "4.2.0", false },
                 { "", "", false },
                 { "4.2.0", "5.0", false },
                 { "4.2.0", "", true },
                 { "10.20", "10.30.0", false },
                 { "4..2.0", "4.2.1", false },
                 { "4.2.0.9", "4.2.0.1", true },
                 { "4.2.x", "4.2.0", true } };
    for (const auto& row : rows)
        QTest::addRow("%s against %s", row.local, row.server) << row.local << row.server << row.upToDate;
}

void TestZUTAVUpdate::compareVersion()
{
    QFETCH(QString, local);
    QFETCH(QString, server);
    QFETCH(bool, upToDate);
    bool result = false;
    ZUTAVUpdate::compareVersion(local, server, result);
    QCOMPARE(result, upToDate);
}

void TestZUTAVUpdate::translationCoversEveryText_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("chinese");
    const char* const rows[][3]
        = { { "ZUTAVUpdateDialog", "ZUTAVUpdate", "TAV 更新" },
            { "ZUTAVUpdate", "Downloading ", "正在下载 " },
            { "ZUTAVUpdate", "Warning", "警告" },
            { "ZUTAVUpdate", "Information", "提示" },
            { "ZUTAVUpdate", "Internet connection lost,Please check internet connection!",
              "网络连接已断开，请检查网络连接！" },
            { "ZUTAVUpdate", "The TAV application is the latest version,do not need to update.",
              "TAV 应用已是最新版本，无需更新。" },
            { "ZUTAVUpdate", "Download failed, please try again.", "下载失败，请重试。" },
            { "ZUTAVUpdate", "Update done.", "更新完成。" },
            { "ZUTAVUpdate", "Update done, application will be restarted.", "更新完成，应用将重新启动。" },
            { "QObject", "Ok", "确定" },
            { "QObject", "Yes", "是" },
            { "QObject", "Warning", "警告" },
            { "QObject", "Application has been started.Please exit current application and try again.",
              "应用已启动，请退出应用后重试" } };
    for (const auto& row : rows)
        QTest::addRow("%s: %s", row[0], row[1]) << row[0] << row[1] << QString::fromUtf8(row[2]);
}

void TestZUTAVUpdate::translationCoversEveryText()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, chinese);
    QVERIFY(QFileInfo(TAV_BIN_DIR "/TAVUpdate").isExecutable());
    QTranslator translator;
    QVERIFY(translator.load(TAV_BIN_DIR "/language/zh_CN/ZUTAVUpdate_zh_CN.qm"));
    QCOMPARE(translator.translate(context.toLatin1().constData(), source.toLatin1().constData()), chinese);
}

void TestZUTAVUpdate::updateModeWaitsForProgramThenInstallsAndRestarts()
{
    const QByteArray package = makePackage();
    QVERIFY(!package.isEmpty());
    m_web.setStaticFile(kPackagePath, package);

    // The main program has started the updater but has not ended yet.
    m_holder.reset(new QProcess);
    m_holder->start(QStringLiteral(TAV_STANDIN_PATH), { "--hold" });
    QVERIFY(m_holder->waitForReadyRead(5000));
    QCOMPARE(m_holder->readLine().trimmed(), QByteArray("held"));
    QDateTime released;
    QTimer::singleShot(700, this, [&] {
        released = QDateTime::currentDateTime();
        m_holder->closeWriteChannel();
    });

    answerNextBox();
    QCOMPARE(runUpdater({ kDownloadHost + QString(kPackagePath), "4.3.0" }), 0);

    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.at(0).title, QString("Information"));
    QCOMPARE(m_boxes.at(0).text, QString("Update done, application will be restarted."));
    QCOMPARE(m_boxes.at(0).button, QString("Yes"));
    const QList<WebRequest> downloads = m_web.requestsTo(kPackagePath);
    QCOMPARE(downloads.size(), 1);
    QVERIFY(released.isValid() && downloads.at(0).time >= released);

    QCOMPARE(PackageMaker::readFile(m_programDir + "/TAV"), m_newProgram);
    QVERIFY(QFileInfo(m_programDir + "/TAV").isExecutable());
    QCOMPARE(QString::fromUtf8(PackageMaker::readFile(m_programDir + "/说明/新.txt")), QString("新文件"));
    QCOMPARE(PackageMaker::readFile(m_programDir + "/说明/旧.txt"), QByteArray("old"));
    QCOMPARE(storedVersion(), QString("4.3.0"));
    QVERIFY(!QFile::exists(archivePath("4.3.0")));
    // The new program runs, started in the program directory.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(startedMarker()).size() > 0, 10000);
    QCOMPARE(QString::fromUtf8(PackageMaker::readFile(startedMarker())), QFileInfo(m_programDir).canonicalFilePath());
}

void TestZUTAVUpdate::manualModeRefusesAtOnceWhileProgramRuns()
{
    m_holder.reset(new QProcess);
    m_holder->start(QStringLiteral(TAV_STANDIN_PATH), { "--hold" });
    QVERIFY(m_holder->waitForReadyRead(5000));
    QCOMPARE(m_holder->readLine().trimmed(), QByteArray("held"));

    answerNextBox();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runUpdater({ "http://ignored.test/only-a-url.7z" }), 0);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.at(0).title, QString("Warning"));
    QCOMPARE(m_boxes.at(0).text,
             QString("Application has been started.Please exit current application and try again."));
    QCOMPARE(m_boxes.at(0).button, QString("Ok"));
    QVERIFY(m_web.requests().isEmpty());
    QCOMPARE(m_holder->state(), QProcess::Running);
}

void TestZUTAVUpdate::manualModeDownloadsOnlyNewerVersion_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("download");

    QTest::newRow("newer") << "4.2.1" << true;
    QTest::newRow("same") << "4.2.0" << false;
    QTest::newRow("older") << "4.1.9" << false;
    QTest::newRow("weighted sum equal") << "4.1.100" << false;
    QTest::newRow("weighted sum larger") << "4.1.101" << true;
    QTest::newRow("two parts") << "5.0" << true;
}

void TestZUTAVUpdate::manualModeDownloadsOnlyNewerVersion()
{
    QFETCH(QString, server);
    QFETCH(bool, download);
    const QByteArray package = makePackage();
    QVERIFY(!package.isEmpty());
    m_web.setStaticFile(kPackagePath, package);
    m_web.setVersionReply(server, kPackagePath, false);

    answerNextBox();
    QCOMPARE(runUpdater({}), 0);

    const QList<WebRequest> asks = m_web.requestsTo("/bizserver/version/get");
    QCOMPARE(asks.size(), 1);
    QVERIFY(asks.at(0).signOk);
    QCOMPARE(asks.at(0).param("version"), QString("4.2.0"));
    QCOMPARE("http://" + asks.at(0).host, QString(ZUTAVUpdate::kVersionServer));
    QCOMPARE(m_boxes.size(), 1);
    if (download) {
        QCOMPARE(m_boxes.at(0).text, QString("Update done."));
        QCOMPARE(m_web.requestsTo(kPackagePath).size(), 1);
        QCOMPARE(PackageMaker::readFile(m_programDir + "/TAV"), m_newProgram);
        QCOMPARE(storedVersion(), server);
        QVERIFY(!QFile::exists(archivePath(server)));
    } else {
        QCOMPARE(m_boxes.at(0).text, QString("The TAV application is the latest version,do not need to update."));
        QCOMPARE(m_boxes.at(0).button, QString("Yes"));
        QVERIFY(m_web.requestsTo(kPackagePath).isEmpty());
        QCOMPARE(PackageMaker::readFile(m_programDir + "/TAV"), m_oldProgram);
        QCOMPARE(storedVersion(), QString("4.2.0"));
    }
}

void TestZUTAVUpdate::missingDatabaseStaysMissing()
{
    QVERIFY(QFile::remove(m_programDir + "/TAVSqlite.db"));
    m_web.setStaticFile(kPackagePath, makePackage());
    m_web.setVersionReply("4.2.1", kPackagePath, false);

    answerNextBox();
    QCOMPARE(runUpdater({}), 0);
    QCOMPARE(m_web.requestsTo("/bizserver/version/get").value(0).param("version"), QString());
    QCOMPARE(m_boxes.value(0).text, QString("Update done."));
    QCOMPARE(PackageMaker::readFile(m_programDir + "/TAV"), m_newProgram);
    QVERIFY(!QFile::exists(m_programDir + "/TAVSqlite.db"));
}

void TestZUTAVUpdate::unansweredVersionRequestTimesOut()
{
    m_web.setFailure("/bizserver/version/get", WebFailure::NoAnswer);
    answerNextBox();
    int exitCode = -1;
    {
        ZUTAVUpdate updater(m_programDir);
        updater.setVersionTimeout(300);
        char name[] = "TAVUpdate";
        char* argv[] = { name, nullptr };
        updater.start(1, argv);
        exitCode = QApplication::exec();
        QVERIFY(!updater.isVisible());
    }
    QCOMPARE(exitCode, 0);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.at(0).title, QString("Warning"));
    QCOMPARE(m_boxes.at(0).text, QString("Internet connection lost,Please check internet connection!"));
}

void TestZUTAVUpdate::progressShowsKilobytesAndForeignFileStays()
{
    const QByteArray foreign(2500000, 'z');
    m_web.setStaticFile(kPackagePath, foreign);
    ZUTAVUpdate updater(m_programDir);
    QByteArray url = QByteArray(kDownloadHost) + kPackagePath;
    char name[] = "TAVUpdate";
    char version[] = "4.3.0";
    char* argv[] = { name, url.data(), version, nullptr };
    updater.start(3, argv);
    QVERIFY(updater.isVisible());
    auto* label = updater.findChild<QLabel*>("ProgressLabel");
    QVERIFY(label);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QString("Downloading 2441KB / 2441KB"), 10000);
    // Not a 7z archive: nothing is shown, the file stays and the dialog stays open.
    QTRY_COMPARE(QFileInfo(archivePath("4.3.0")).size(), qint64(foreign.size()));
    QVERIFY(updater.isVisible());
    QCOMPARE(PackageMaker::readFile(m_programDir + "/TAV"), m_oldProgram);
    QCOMPARE(storedVersion(), QString("4.2.0"));
}

void TestZUTAVUpdate::failedDownloadLeavesNoArchive_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("path");
    QTest::newRow("server error page") << "500"
                                       << "/packages/error.7z";
    QTest::newRow("not found") << "404"
                               << "/packages/missing.7z";
    QTest::newRow("empty body") << "empty"
                                << "/packages/empty.7z";
}

void TestZUTAVUpdate::failedDownloadLeavesNoArchive()
{
    QFETCH(QString, failure);
    QFETCH(QString, path);
    if (failure == "500") {
        m_web.setStaticFile(path, makePackage());
        m_web.setFailure(path, WebFailure::Http500);
    } else if (failure == "empty") {
        m_web.setStaticFile(path, QByteArray());
    }
    const QMap<QString, QString> before = PackageMaker::snapshot(m_programDir);

    answerNextBox();
    QCOMPARE(runUpdater({ kDownloadHost + path, "4.3.0" }), 0);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.at(0).title, QString("Information"));
    QCOMPARE(m_boxes.at(0).text, QString("Download failed, please try again."));
    QCOMPARE(m_web.requestsTo(path).size(), 1);
    QVERIFY(!QFile::exists(archivePath("4.3.0")));
    QCOMPARE(PackageMaker::snapshot(m_programDir), before);
    QCOMPARE(storedVersion(), QString("4.2.0"));
}

void TestZUTAVUpdate::unsafeVersionDownloadsNothing_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("parent folders") << "/../../escape";
    QTest::newRow("double dot") << "4..3";
    QTest::newRow("too long") << QString(65, '4');
    QTest::newRow("quote") << "4.3.0'";
    QTest::newRow("empty") << "";
}

void TestZUTAVUpdate::unsafeVersionDownloadsNothing()
{
    QFETCH(QString, version);
    m_web.setStaticFile(kPackagePath, makePackage());
    const QMap<QString, QString> before = PackageMaker::snapshot(m_root->path());

    answerNextBox();
    QCOMPARE(runUpdater({ kDownloadHost + QString(kPackagePath), version }), 0);
    QCOMPARE(m_boxes.value(0).text, QString("Download failed, please try again."));
    QVERIFY(m_web.requests().isEmpty());
    QCOMPARE(PackageMaker::snapshot(m_root->path()), before);
    QCOMPARE(storedVersion(), QString("4.2.0"));
}

void TestZUTAVUpdate::damagedPackageKeepsInstallationAndRestartsProgram()
{
    m_web.setStaticFile(kPackagePath, makePackage(true));
    QMap<QString, QString> before = PackageMaker::snapshot(m_programDir);

    answerNextBox();
    QCOMPARE(runUpdater({ kDownloadHost + QString(kPackagePath), "4.3.0" }), 0);
    QCOMPARE(m_boxes.value(0).text, QString("Download failed, please try again."));
    QVERIFY(!QFile::exists(archivePath("4.3.0")));
    QCOMPARE(storedVersion(), QString("4.2.0"));
    // The teacher gets the old program back.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(startedMarker()).size() > 0, 10000);
    QMap<QString, QString> after = PackageMaker::snapshot(m_programDir);
    after.remove("started.txt");
    QCOMPARE(after, before);
}

QTEST_MAIN(TestZUTAVUpdate)
#include "TestZUTAVUpdate.moc"

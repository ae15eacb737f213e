#include "DbTestSupport.h"
#include "TAVDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace DbTestSupport;

namespace {
// The private program directory the test runs in.
QString programDir()
{
    return QCoreApplication::applicationDirPath();
}

QString dbPath()
{
    return TAVDatabase::databasePath();
}

void clearPath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The bytes of a database file made by the given statements, on top of the given bytes.
QByteArray databaseBytes(const QByteArray& start, const QStringList& statements)
{
    const QString path = programDir() + "/scratch.db";
    QFile::remove(path);
    if (!writeFile(path, start))
        return QByteArray();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "scratch");
        db.setDatabaseName(path);
        db.open();
        for (const QString& sql : statements)
            QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase("scratch");
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QFile::remove(path);
    return bytes;
}

// Permissions do not stop root: a case that needs them runs with the effective ids of "nobody" meanwhile.
class WithoutRoot
{
public:
    explicit WithoutRoot(bool wanted)
        : m_switched(wanted && geteuid() == 0)
    {
        if (m_switched && (setegid(65534) != 0 || seteuid(65534) != 0))
            qFatal("cannot take the ids of nobody");
    }
    ~WithoutRoot()
    {
        if (m_switched && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("cannot take the ids of root back");
    }
    // The program directory lies in a private temporary folder; nobody must be able to reach it.
    static bool canEnter(const QString& folder)
    {
        return faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), X_OK, AT_EACCESS) == 0;
    }

private:
    bool m_switched;
};
} // namespace

// What start-up makes of the database file it finds: damaged files, another program's file, a file it cannot
// write and a link to a share stop it, and it changes none of them; an empty file is an interrupted creation.
class TestDbStartUpFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        clearPath(dbPath());
        QVERIFY(TAVDatabase::getInstance()->createDb());
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_good = file.readAll();
        QVERIFY(m_good.size() > 16 * 4096);
    }

    void cleanup()
    {
        QFile::setPermissions(programDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        clearPath(dbPath());
        clearPath(dbPath() + "-journal");
        clearPath(dbPath() + "-clean");
        QDir(programDir() + "/share").removeRecursively();
    }

    void unusableFileStopsStartUpUnchanged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("logged"); // the reason in the log
        QTest::addColumn<bool>("afterCleanExit"); // the last run closed the good file cleanly before it changed
        const QList<QPair<QString, QString>> damaged {
            { "random", "file is not a database" },
            { "truncated", "malformed" },
            { "header", "file is not a database" },
            { "foreign", "lacks the tables TAV_AppInfo, TAV_TeacherInfo" },
            { "missing", "lacks the tables TAV_SignStuInfo" },
        };
        for (const auto& row : damaged) {
            for (bool afterCleanExit : { false, true })
                QTest::newRow(qPrintable(row.first + (afterCleanExit ? " after a clean exit" : "")))
                    << row.first << row.second << afterCleanExit;
        }
        QTest::newRow("a folder") << QString("folder") << "open db fail" << false;
        QTest::newRow("link to a share not mounted") << QString("dangling") << "a link to nothing" << false;
        QTest::newRow("empty file whose creation fails")
            << QString("empty, journal blocked") << "lacks the tables" << false;
        QTest::newRow("a folder in the journal's place") << QString("journal blocked") << "disk I/O error" << false;
        QTest::newRow("read-only file") << QString("read-only file") << "cannot be written" << false;
        QTest::newRow("read-only folder") << QString("read-only folder") << "cannot be written" << false;
    }

    void unusableFileStopsStartUpUnchanged()
    {
        QFETCH(QString, kind);
        QFETCH(QString, logged);
        QFETCH(bool, afterCleanExit);
        if (afterCleanExit) {
            QVERIFY(writeFile(dbPath(), m_good));
            QVERIFY(TAVDatabase::getInstance()->openLocalDb());
            TAVDatabase::getInstance()->closeLocalDb();
            QVERIFY(QFileInfo::exists(dbPath() + "-clean"));
        }
        QVERIFY(place(kind));
        const QByteArray before = whatStandsAt(dbPath());
        const QByteArray journal = whatStandsAt(dbPath() + "-journal");

        LogCapture log;
        TAVDatabase* database = TAVDatabase::getInstance();
        bool opened = true;
        for (int start = 0; start < 2; ++start) { // the next start finds the same and makes nothing either
            WithoutRoot ids(kind.startsWith("read-only"));
            if (kind.startsWith("read-only") && !WithoutRoot::canEnter(programDir()))
                QSKIP("the temporary folder does not let other users through, so permissions cannot be tried");
            const bool created = database->createDb();
            // A link is not a file of ours to make: it is left to the pool's check, not tried and failed.
            if (kind == "dangling")
                QVERIFY(created && !log.contains("cannot make the file"));
            opened = opened && database->openLocalDb();
        }
        QVERIFY(!opened);
        QCOMPARE(database->freeCount(), 0);
        QCOMPARE(whatStandsAt(dbPath()), before);
        QCOMPARE(whatStandsAt(dbPath() + "-journal"), journal);
        QVERIFY(!QFileInfo::exists(programDir() + "/share"));
        if (!logged.isEmpty())
            QVERIFY2(log.contains(logged), qPrintable(log.lines().join('\n')));
    }

    void usableFileOpens_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("nothing there") << "nothing";
        QTest::newRow("empty file of an interrupted creation") << "empty";
        QTest::newRow("link to a share with the database") << "link";
    }

    void usableFileOpens()
    {
        QFETCH(QString, kind);
        QVERIFY(place(kind));
        QVERIFY(TAVDatabase::getInstance()->createDb());
        QVERIFY(TAVDatabase::getInstance()->openLocalDb());
        QCOMPARE(TAVDatabase::getInstance()->freeCount(), 10);
        // The write check leaves nothing behind.
        QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
        QVERIFY(!QFileInfo::exists(dbPath() + "-journal"));
        QCOMPARE(QFileInfo(dbPath()).isSymLink(), kind == "link");
    }

    // The whole file is read for damage only when the last run may have left it damaged: it did not close the
    // database, or the file changed since.
    void fileIsReadThroughOnlyAfterAnUncleanExit_data()
    {
        QTest::addColumn<QString>("since"); // what happened after the last run
        QTest::addColumn<bool>("readThrough");
        QTest::newRow("closed cleanly") << "closed" << false;
        QTest::newRow("ended without closing") << "crashed" << true;
        QTest::newRow("closed, then a start that ended without closing") << "closed, crashed" << true;
        QTest::newRow("closed, then written by another program") << "closed, written" << true;
        QTest::newRow("closed, then a journal appeared") << "closed, journal" << true;
    }

    void fileIsReadThroughOnlyAfterAnUncleanExit()
    {
        QFETCH(QString, since);
        QFETCH(bool, readThrough);
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_good));
        QVERIFY(database->openLocalDb());
        if (since.startsWith("closed"))
            database->closeLocalDb();
        if (since.endsWith("crashed"))
            QVERIFY(database->openLocalDb()); // and no close
        if (since.endsWith("written"))
            QVERIFY(runOutside("update TAV_Config set keyNalue = '45' where keyName = 'TimeLimit'"));
        if (since.endsWith("journal"))
            QVERIFY(writeFile(dbPath() + "-journal", ""));

        LogCapture log;
        QVERIFY(database->openLocalDb());
        QCOMPARE(log.contains("checked in full"), readThrough);
        QVERIFY(!QFileInfo::exists(dbPath() + "-clean")); // a crash from here on reads it through again
        database->closeLocalDb();
    }

    void cleanExitIsNotNotedWithAConnectionOut()
    {
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_good));
        QVERIFY(database->openLocalDb());
        QSqlDatabase db = database->getDbCon();
        QVERIFY(db.isOpen());
        database->closeLocalDb();
        QVERIFY(!QFileInfo::exists(dbPath() + "-clean"));
    }

    // Files made by earlier versions have no index; the lesson reads would scan whole tables without them.
    void openedFileGainsTheParentIndexes()
    {
        QVERIFY(writeFile(dbPath(), m_good));
        QCOMPARE(committedValue("select count(*) from sqlite_master where type = 'index' and name like 'TAV%'").toInt(),
                 0);
        for (int start = 0; start < 2; ++start) {
            QVERIFY(TAVDatabase::getInstance()->openLocalDb());
            TAVDatabase::getInstance()->closeLocalDb();
        }
        QCOMPARE(committedValue("select group_concat(tbl_name || '.' || name, ' ') from (select tbl_name, name from "
                                "sqlite_master where type = 'index' and name like 'TAV%' order by name)")
                     .toString(),
                 QString("TAV_ExamInfo.TAV_ExamInfo_localRecordID TAV_ExamStuAnswer_Pro.TAV_ExamStuAnswer_Pro_answerID "
                         "TAV_ExamStuAnswer.TAV_ExamStuAnswer_examID TAV_ExamStuInfo.TAV_ExamStuInfo_examID "
                         "TAV_InteractInfo.TAV_InteractInfo_localRecordID TAV_SignInfo.TAV_SignInfo_localRecordID "
                         "TAV_SignStuInfo.TAV_SignStuInfo_signID TAV_StuResult.TAV_StuResult_interactID"));
    }

private:
    // Puts what the case names at the database path.
    bool place(const QString& kind)
    {
        const QString share = programDir() + "/share";
        const auto unwritable = [](const QString& path) {
            return QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        };
        const auto open = [](const QString& path, QFile::Permissions more) {
            return QFile::setPermissions(path,
                                         QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                             | QFile::ReadOther | QFile::WriteOther | more);
        };
        const QFile::Permissions enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        if (kind == "nothing")
            return true;
        if (kind == "random") {
            QByteArray bytes(65536, '\0');
            QRandomGenerator generator(15);
            generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            return writeFile(dbPath(), bytes);
        }
        if (kind == "truncated")
            return writeFile(dbPath(), m_good.left(m_good.size() / 2 + 100));
        if (kind == "header")
            return writeFile(dbPath(), QByteArray(16, 'x') + m_good.mid(16));
        if (kind == "foreign")
            return writeFile(dbPath(),
                             databaseBytes("",
                                           { "create table notes (id integer primary key, text)",
                                             "insert into notes values(1, 'shopping')" }));
        if (kind == "missing")
            return writeFile(dbPath(), databaseBytes(m_good, { "drop table TAV_SignStuInfo" }));
        if (kind == "folder")
            return QDir().mkpath(dbPath());
        if (kind == "dangling")
            return QFile::link(share + "/TAVSqlite.db", dbPath());
        if (kind == "link")
            return QDir().mkpath(share) && writeFile(share + "/TAVSqlite.db", m_good)
                && QFile::link(share + "/TAVSqlite.db", dbPath());
        if (kind == "empty")
            return writeFile(dbPath(), "");
        if (kind == "empty, journal blocked")
            return writeFile(dbPath(), "") && QDir().mkpath(dbPath() + "-journal");
        if (kind == "journal blocked")
            return writeFile(dbPath(), m_good) && QDir().mkpath(dbPath() + "-journal");
        if (kind == "read-only file")
            return writeFile(dbPath(), m_good) && unwritable(dbPath()) && open(programDir(), enter);
        if (kind == "read-only folder")
            return writeFile(dbPath(), m_good) && open(dbPath(), {}) && unwritable(programDir())
                && QFile::setPermissions(programDir(), QFileInfo(programDir()).permissions() | enter);
        return false;
    }

    QByteArray m_good;
};

TAV_DB_TEST_MAIN(TestDbStartUpFile)

#include "TestDbStartUpFile.moc"

#include "DbTestSupport.h"
#include "HeldFileOpens.h"
#include "OtherProgram.h"
#include "SlowFileReads.h"
#include "TAVDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

using namespace DbTestSupport;

namespace {
// A try on a file another program holds waits a moment; ten times the screen's moment (250 ms) is a hang, and
// still far below the 5 s the pool would wait.
const qint64 kTryHangMs = 10 * 250;

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

// Overwrites bytes of the file where they stand and gives it back its time of change: the file looks as the
// last run left it, as after a bad sector or a backup restored with its times.
bool damageInPlace(const QString& path, qint64 at, const QByteArray& bytes)
{
    QFile file(path);
    const QDateTime changed = QFileInfo(path).lastModified();
    const qint64 size = file.size();
    return file.open(QIODevice::ReadWrite) && file.seek(at) && file.write(bytes) == bytes.size() && file.flush()
        && file.size() == size && file.setFileTime(changed, QFileDevice::FileModificationTime);
}

// The page size and the number of the first page of a table, read without changing the file.
QPair<int, int> pageOf(const QString& path, const QString& table)
{
    QPair<int, int> found { 0, 0 };
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pages");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        if (db.open() && query.exec("PRAGMA page_size") && query.next())
            found.first = query.value(0).toInt();
        if (query.exec("select rootpage from sqlite_master where name = '" + table + "'") && query.next())
            found.second = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("pages");
    return found;
}

// The rows of a case run on a used file as it is and with a page of its results zeroed.
void soundAndDamagedRows()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("sound") << false;
    QTest::newRow("a page of results zeroed") << true;
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
        // A file some lessons have used: results over many pages, and pages freed by deleted ones.
        m_used = databaseBytes(m_good,
                               { "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                                 "insert into TAV_StuResult (interactID, dovaneID, createDate, result, status) "
                                 "select i / 60, 'K' || i, '2024-09-02 08:00:00', '数学 A', 0 from n",
                                 "delete from TAV_StuResult where interactID between 10 and 20" });
        QVERIFY(m_used.size() > 30 * 4096);
        QVERIFY(quint8(m_used.at(39)) > 0); // free pages
    }

    void cleanup()
    {
        HeldFileOpens::release();
        SlowFileReads::off();
        TAVDatabase::getInstance()->closeLocalDb();
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
            TAVDatabase::getInstance()->closeDbCon(TAVDatabase::getInstance()->getDbCon());
            TAVDatabase::getInstance()->closeLocalDb();
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
        // The write check leaves nothing behind; the read-through's indexes are made in a transaction of their own.
        QVERIFY(TAVDatabase::getInstance()->waitForFileCheck());
        QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
        QVERIFY(!QFileInfo::exists(dbPath() + "-journal"));
        QCOMPARE(QFileInfo(dbPath()).isSymLink(), kind == "link");
    }

    // Every start reads the whole file for damage, whatever the last run did: the file can change between two
    // runs without a trace in its length or its time.
    void fileIsReadThroughAtEveryStart_data()
    {
        QTest::addColumn<QString>("since"); // what happened after the last run
        QTest::newRow("closed cleanly") << "closed";
        QTest::newRow("ended without closing") << "crashed";
        QTest::newRow("closed, then a start that ended without closing") << "closed, crashed";
        QTest::newRow("closed, then written by another program") << "closed, written";
        QTest::newRow("closed, then a journal appeared") << "closed, journal";
    }

    void fileIsReadThroughAtEveryStart()
    {
        QFETCH(QString, since);
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_good));
        QVERIFY(database->openLocalDb());
        database->closeDbCon(database->getDbCon());
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
        QVERIFY(database->waitForFileCheck());
        QVERIFY2(log.contains("read through"), qPrintable(log.lines().join('\n')));
        database->closeLocalDb();
        QVERIFY(!QFileInfo::exists(dbPath() + "-clean"));
    }

    // A page damaged between two runs, the file's length and time kept: the quick checks of the start cannot see
    // it, the read-through does, and nothing is ever written into the file.
    void damagedPageIsRefusedBeforeAnyWrite_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("a page of results zeroed") << "zeroed";
        QTest::newRow("a page of results overwritten") << "overwritten";
        QTest::newRow("free page count") << "free count";
    }

    void damagedPageIsRefusedBeforeAnyWrite()
    {
        QFETCH(QString, damage);
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_used));
        // The last run used the file and ended as the teacher ends it.
        QVERIFY(database->openLocalDb());
        QSqlDatabase last = database->getDbCon();
        QVERIFY(QSqlQuery(last).exec("update TAV_Config set keyNalue = '45' where keyName = 'TimeLimit'"));
        QVERIFY(database->closeDbCon(last));
        database->closeLocalDb();

        const QPair<int, int> page = pageOf(dbPath(), "TAV_StuResult");
        QVERIFY(page.first > 0 && page.second > 1);
        const qint64 at = qint64(page.second - 1) * page.first;
        if (damage == "zeroed") {
            QVERIFY(damageInPlace(dbPath(), at, QByteArray(page.first, '\0')));
        } else if (damage == "overwritten") {
            QByteArray bytes(page.first, '\0');
            QRandomGenerator generator(24);
            generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            QVERIFY(damageInPlace(dbPath(), at, bytes));
        } else {
            QByteArray count = m_used.mid(36, 4);
            count[3] = char(quint8(count.at(3)) + 3);
            QVERIFY(damageInPlace(dbPath(), 36, count));
        }
        const QByteArray before = whatStandsAt(dbPath());

        LogCapture log;
        int told = 0;
        database->setDamageHandler([&told] { ++told; });
        QVERIFY(database->openLocalDb());
        // Reading goes on meanwhile; a write fails there, whether the verdict has come or not.
        QSqlDatabase reading = database->getReadDbCon();
        QVERIFY(!QSqlQuery(reading).exec("update TAV_Config set keyNalue = '50' where keyName = 'TimeLimit'"));
        if (reading.isValid())
            database->rollbackDbCon(reading);
        QVERIFY(!database->getDbCon().isValid());
        QCOMPARE(told, 1);
        QVERIFY(!database->getDbCon().isValid());
        QVERIFY(!database->getReadDbCon().isValid());
        QVERIFY(!database->getThreadDbCon().isValid());
        QVERIFY(!database->openOwnDbCon("keeper", 1000).isValid());
        QCOMPARE(told, 1);
        QVERIFY2(log.contains("****the database file cannot be used: quick_check"), qPrintable(log.lines().join('\n')));
        database->closeLocalDb();
        database->setDamageHandler(nullptr);

        QCOMPARE(whatStandsAt(dbPath()), before);
        QCOMPARE(whatStandsAt(dbPath() + "-journal"), QByteArray("nothing"));
    }

    // The same file undamaged: reads are served at once, and the first write waits for the verdict only.
    void soundFileTakesWritesOnceReadThrough()
    {
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_used));
        int told = 0;
        database->setDamageHandler([&told] { ++told; });
        QVERIFY(database->openLocalDb());
        QSqlDatabase reading = database->getReadDbCon();
        QSqlQuery read(reading);
        QVERIFY(read.exec("select keyNalue from TAV_Config where keyName = 'TimeLimit'") && read.next());
        QCOMPARE(read.value(0).toString(), QString("30"));
        read.finish();
        database->closeDbCon(reading);
        QSqlDatabase db = database->getDbCon();
        QVERIFY(QSqlQuery(db).exec("update TAV_Config set keyNalue = '45' where keyName = 'TimeLimit'"));
        QVERIFY(database->closeDbCon(db));
        QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(), "45");
        // Every pooled connection writes from then on, also one borrowed for reading.
        for (int i = 0; i < 10; ++i) {
            QSqlDatabase again = i % 2 ? database->getDbCon() : database->getReadDbCon();
            QVERIFY(QSqlQuery(again).exec("update TAV_Config set keyNalue = '" + QString::number(i)
                                          + "' where "
                                            "keyName = 'TimeLimit'"));
            QVERIFY(database->closeDbCon(again));
        }
        QCOMPARE(told, 0);
        database->closeLocalDb();
        database->setDamageHandler(nullptr);
    }

    // Nothing is left beside the file; what an earlier version noted there is not trusted, and goes.
    void noteOfAnEarlierVersionIsNotTrusted()
    {
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(writeFile(dbPath(), m_good));
        QVERIFY(writeFile(dbPath() + "-clean", "69632 1725264000000"));
        LogCapture log;
        QVERIFY(database->openLocalDb());
        QVERIFY(database->waitForFileCheck());
        QVERIFY(log.contains("read through"));
        QVERIFY(!QFileInfo::exists(dbPath() + "-clean"));
        database->closeDbCon(database->getDbCon());
        database->closeLocalDb();
        QVERIFY(!QFileInfo::exists(dbPath() + "-clean"));
    }

    // SQLite writes the page size and the page count in big-endian bytes; from 128 pages, or with pages of
    // 32 KiB, one of them is 0x80 or more.
    void headerOfALargeFileIsReadWhole_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("200 pages") << QStringList {
            "create table filler (b)",
            "insert into filler select zeroblob(3900) from (with recursive n(i) as (select 1 union all select i + 1 "
            "from n where i < 190) select i from n)"
        };
        QTest::newRow("pages of 32 KiB") << QStringList { "PRAGMA page_size = 32768", "VACUUM" };
    }

    void headerOfALargeFileIsReadWhole()
    {
        QFETCH(QStringList, statements);
        const QByteArray bytes = databaseBytes(m_good, statements);
        const QByteArray numbers = bytes.mid(16, 2) + bytes.mid(28, 4);
        QVERIFY(std::any_of(numbers.cbegin(), numbers.cend(), [](char c) { return quint8(c) >= 0x80; }));
        QVERIFY(writeFile(dbPath(), bytes));
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(database->openLocalDb());
        QSqlDatabase db = database->getDbCon();
        QVERIFY(QSqlQuery(db).exec("update TAV_Config set keyNalue = '45' where keyName = 'TimeLimit'"));
        QVERIFY(database->closeDbCon(db));
        database->closeLocalDb();
    }

    // The verdict comes by a signal in the interface thread, which goes on meanwhile: its reads are served, and
    // a damaged file is refused once the verdict comes, with no borrow asking for it.
    void verdictIsToldWhileTheInterfaceGoesOn_data() { soundAndDamagedRows(); }

    void verdictIsToldWhileTheInterfaceGoesOn()
    {
        QFETCH(bool, damaged);
        QVERIFY(placeUsedFile(damaged));
        TAVDatabase* database = TAVDatabase::getInstance();
        int told = 0;
        database->setDamageHandler([&told] { ++told; });
        QSignalSpy checked(database->fileCheck(), &TavFileCheck::checked);
        QVERIFY(HeldFileOpens::hold());
        QVERIFY(database->openLocalDb());
        QTRY_COMPARE_WITH_TIMEOUT(HeldFileOpens::waited(), 1, 30000);
        QVERIFY(database->fileCheckPending());
        QSqlDatabase reading = database->getReadDbCon();
        QSqlQuery read(reading);
        QVERIFY(read.exec("select count(*) from TAV_Config") && read.next());
        read.finish();
        database->closeDbCon(reading);
        QCOMPARE(checked.count(), 0);

        HeldFileOpens::release();
        QVERIFY(checked.wait(30000));
        QCOMPARE(checked.count(), 1);
        QCOMPARE(checked.at(0).at(0).toBool(), !damaged);
        QVERIFY(!database->fileCheckPending());
        QCOMPARE(told, damaged ? 1 : 0);
        QCOMPARE(database->freeCount(), damaged ? 0 : 10);
        database->closeLocalDb();
        database->setDamageHandler(nullptr);
    }

    // A file cut short by a whole page (a copy that stopped) is refused by the quick checks before the pool
    // opens, that is before the login dialog, and not by the read-through after it.
    void fileCutShortIsRefusedBeforeThePoolOpens()
    {
        QByteArray bytes = m_used;
        const int pageSize = 4096;
        QCOMPARE(bytes.size() % pageSize, 0);
        bytes.chop(pageSize);
        QVERIFY(writeFile(dbPath(), bytes));
        LogCapture log;
        QVERIFY(!TAVDatabase::getInstance()->openLocalDb());
        QVERIFY2(log.contains("malformed"), qPrintable(log.lines().join('\n')));
        QVERIFY(!log.contains("quick_check"));
        QCOMPARE(TAVDatabase::getInstance()->freeCount(), 0);
        QCOMPARE(whatStandsAt(dbPath()), QByteArray("file ") + bytes);
    }

    // Files made by earlier versions have no index; the lesson reads would scan whole tables without them. The
    // read-through makes them on its thread once it found the file sound, before any write borrow.
    void openedFileGainsTheParentIndexes()
    {
        QVERIFY(writeFile(dbPath(), m_good));
        QCOMPARE(committedValue("select count(*) from sqlite_master where type = 'index' and name like 'TAV%'").toInt(),
                 0);
        for (int start = 0; start < 2; ++start) {
            QVERIFY(TAVDatabase::getInstance()->openLocalDb());
            QVERIFY(TAVDatabase::getInstance()->waitForFileCheck());
            QCOMPARE(
                committedValue("select count(*) from sqlite_master where type = 'index' and name like 'TAV%'").toInt(),
                8);
            TAVDatabase::getInstance()->closeDbCon(TAVDatabase::getInstance()->getDbCon());
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

    // Another program holds the file as the start comes to it (a database browser left in a transaction). It is
    // not damaged: the start learns within a moment that the file is in use, changes nothing, and is told when
    // the file is free. A program that only reads lets the start open the file at once.
    void heldFileIsWaitedForNotRefused_data()
    {
        QTest::addColumn<int>("hold");
        QTest::addColumn<bool>("waits");
        QTest::newRow("written by another program") << int(OtherProgram::Write) << true;
        QTest::newRow("being written by another program") << int(OtherProgram::Reserve) << true;
        QTest::newRow("read by another program") << int(OtherProgram::Read) << false;
    }

    void heldFileIsWaitedForNotRefused()
    {
        QFETCH(int, hold);
        QFETCH(bool, waits);
        QVERIFY(writeFile(dbPath(), m_used));
        const QByteArray before = whatStandsAt(dbPath());
        TAVDatabase* database = TAVDatabase::getInstance();
        OtherProgram other(OtherProgram::Hold(hold), dbPath());
        QVERIFY(other.isHeld());
        QSignalSpy inUse(database->fileCheck(), &TavFileCheck::inUse);
        QSignalSpy free(database->fileCheck(), &TavFileCheck::free);
        LogCapture log;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(database->openLocalDb(), !waits);
        QVERIFY2(clock.elapsed() < kTryHangMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(database->fileInUse(), waits);
        if (!waits) {
            other.release();
            QVERIFY(database->waitForFileCheck());
            return;
        }
        QVERIFY2(log.contains("****the database file is in use by another program: "),
                 qPrintable(log.lines().join('\n')));
        QVERIFY(!log.contains("cannot be used"));
        QCOMPARE(database->freeCount(), 0);

        database->fileCheck()->waitUntilFree(dbPath());
        QVERIFY(inUse.wait(5000));
        QCOMPARE(inUse.takeFirst().at(0).toBool(), true);
        // Several tries, none of which finds the file free.
        QVERIFY(!free.wait(3 * TavFileCheck::kRetryMs));
        QCOMPARE(whatStandsAt(dbPath()), before);
        // The release waits for the other program with events running: the signal may have come meanwhile.
        other.release();
        QTRY_VERIFY_WITH_TIMEOUT(!free.isEmpty(), 10 * TavFileCheck::kRetryMs);
        QCOMPARE(inUse.size(), 1);
        QCOMPARE(inUse.first().at(0).toBool(), false);
        QCOMPARE(whatStandsAt(dbPath()), before);
        QVERIFY(database->openLocalDb());
        QVERIFY(database->waitForFileCheck());
    }

    // The other program takes the file after the quick checks, before the start reads the teacher's settings:
    // the reads wait only a moment, and the start waits for the file as if it had found it held.
    void fileTakenBeforeTheStartReadsIsWaitedFor()
    {
        QVERIFY(writeFile(dbPath(), m_used));
        TAVDatabase* database = TAVDatabase::getInstance();
        // The read-through takes no lock meanwhile.
        QVERIFY(HeldFileOpens::hold());
        QVERIFY(database->openLocalDb());
        QTRY_COMPARE(HeldFileOpens::waited(), 1);
        OtherProgram other(OtherProgram::Write, dbPath());
        QVERIFY(other.isHeld());
        HeldFileOpens::release();

        int reads = 0;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!database->readAtStart([&reads](QSqlDatabase) { ++reads; }));
        QVERIFY2(clock.elapsed() < kTryHangMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(reads, 0);
        QVERIFY(database->fileInUse());
        QCOMPARE(database->freeCount(), 0);
        QVERIFY(!database->fileCheckPending());

        other.release();
        QVERIFY(database->openLocalDb());
        QString limit;
        QVERIFY(database->readAtStart([&limit](QSqlDatabase db) {
            QSqlQuery query(db);
            if (query.exec("select keyNalue from TAV_Config where keyName = 'TimeLimit'") && query.next())
                limit = query.value(0).toString();
        }));
        QCOMPARE(limit, QString("30"));
        QCOMPARE(database->freeCount(), 10);
        QVERIFY(database->waitForFileCheck());
    }

    // The other program takes the file while it is being read through: that is no damage. The verdict waits, the
    // worker says why, and it comes once the file is free: sound, or damaged for a damaged file.
    void readThroughWaitsForAHeldFile_data() { soundAndDamagedRows(); }

    void readThroughWaitsForAHeldFile()
    {
        QFETCH(bool, damaged);
        QVERIFY(placeUsedFile(damaged));
        TAVDatabase* database = TAVDatabase::getInstance();
        int told = 0;
        database->setDamageHandler([&told] { ++told; });
        QSignalSpy checked(database->fileCheck(), &TavFileCheck::checked);
        QSignalSpy inUse(database->fileCheck(), &TavFileCheck::inUse);
        QVERIFY(HeldFileOpens::hold());
        QVERIFY(database->openLocalDb());
        QTRY_COMPARE(HeldFileOpens::waited(), 1);
        OtherProgram other(OtherProgram::Write, dbPath());
        QVERIFY(other.isHeld());
        HeldFileOpens::release();

        QVERIFY(inUse.wait(5000));
        QCOMPARE(inUse.takeFirst().at(0).toBool(), true);
        QVERIFY(!checked.wait(3 * TavFileCheck::kRetryMs));
        QVERIFY(database->fileCheckPending());
        QCOMPARE(told, 0);

        other.release();
        QTRY_VERIFY_WITH_TIMEOUT(!checked.isEmpty(), 30000);
        QCOMPARE(checked.at(0).at(0).toBool(), !damaged);
        QCOMPARE(inUse.size(), 1);
        QCOMPARE(inUse.first().at(0).toBool(), false);
        QCOMPARE(told, damaged ? 1 : 0);
        database->setDamageHandler(nullptr);
    }

    // The exit (or a new opening) stops a read-through under way at once, not after the rest of a large file:
    // here every read of the worker takes kReadMs, and the file many reads.
    void exitInterruptsTheReadThrough()
    {
        const int kReadMs = 200;
        QVERIFY(writeFile(dbPath(), m_used));
        TAVDatabase* database = TAVDatabase::getInstance();
        QVERIFY(SlowFileReads::slow(kReadMs));
        LogCapture log;
        QVERIFY(database->openLocalDb());
        // Well into the file.
        QTRY_VERIFY_WITH_TIMEOUT(SlowFileReads::reads() >= 5, 30000);
        QElapsedTimer clock;
        clock.start();
        database->closeLocalDb();
        const qint64 tookMs = clock.elapsed();
        QVERIFY2(tookMs < 10 * kReadMs, qPrintable(QString("%1 ms, %2 reads").arg(tookMs).arg(SlowFileReads::reads())));
        QVERIFY(log.contains("the read-through of the database file was stopped"));
        QVERIFY(!log.contains("read through in"));
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

    // The used file in the program's place, the first page of its results zeroed when damaged.
    bool placeUsedFile(bool damaged) const
    {
        if (!writeFile(dbPath(), m_used))
            return false;
        if (!damaged)
            return true;
        const QPair<int, int> page = pageOf(dbPath(), "TAV_StuResult");
        return damageInPlace(dbPath(), qint64(page.second - 1) * page.first, QByteArray(page.first, '\0'));
    }

    QByteArray m_good;
    QByteArray m_used;
};

int main(int argc, char* argv[])
{
    return DbTestSupport::runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        if (OtherProgram::isChild(c, v))
            return OtherProgram::holdInChild(c, v);
        TestDbStartUpFile test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestDbStartUpFile.moc"

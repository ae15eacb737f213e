#include "DbTestSupport.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_AppInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_Config.h"
#include "TAV_InteractInfo.h"
#include "TavSchema.h"
#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

using namespace DbTestSupport;

class TestTAVDatabase : public QObject
{
    Q_OBJECT
private slots:
    void statementsAreTheInstalledOnes();
    void newFileHasSchemaAndDefaultRows();
    void existingFileIsLeftUntouched();
    void failedCreationLeavesNoFileAndNextStartRetries();
    void missingFileIsNotOpened();
    void borrowReportsFreeSizeAndRotates();
    void exhaustedPoolGivesInvalidHandle();
    void foreignAndDoubleGiveBacksAreRefused();
    void failedStatementKeepsEarlierWrites();
    void threadConnectionBelongsToItsThread();
    void startUpLoadFillsTeacherState();

private:
    static QStringList masterRows(const QString& column, const QString& type);
};

QStringList TestTAVDatabase::masterRows(const QString& column, const QString& type)
{
    QStringList rows;
    for (int i = 0;; ++i) {
        const QVariant v = committedValue(
            QStringLiteral("select %1 from sqlite_master where type = ? order by rowid limit 1 offset ?").arg(column),
            { type, i });
        if (!v.isValid())
            break;
        rows << v.toString();
    }
    return rows;
}

void TestTAVDatabase::statementsAreTheInstalledOnes()
{
    // Fingerprint of the 48 statements as field installations have them (tabs and blanks included).
    const QStringList statements = TavSchema::statements();
    QCOMPARE(statements.size(), 48);
    const QByteArray digest = QCryptographicHash::hash(statements.join('\n').toUtf8(), QCryptographicHash::Md5);
    QCOMPARE(digest.toHex(), QByteArray("77b25922b88ea18fdac449d426597261"));
}

void TestTAVDatabase::newFileHasSchemaAndDefaultRows()
{
    QFile::remove(TAVDatabase::databasePath());
    QVERIFY(TAVDatabase::getInstance()->createDb());
    QVERIFY(QFile::exists(TAVDatabase::databasePath()));
    QVERIFY(!QSqlDatabase::contains("tav"));

    const QStringList tables = masterRows("name", "table");
    const QStringList expected { "TAV_AppInfo",           "TAV_TeacherInfo",  "TAV_ClassInfo",   "TAV_SubjectInfo",
                                 "TAV_CSTeacherInfo",     "TAV_StudentInfo",  "TAV_StuSortInfo", "TAV_ClassRecord",
                                 "sqlite_sequence",       "TAV_InteractInfo", "TAV_StuResult",   "TAV_SignInfo",
                                 "TAV_SignStuInfo",       "TAV_ExamInfo",     "TAV_ExamStuInfo", "TAV_ExamStuAnswer",
                                 "TAV_ExamStuAnswer_Pro", "TAV_Config" };
    QCOMPARE(tables, expected);

    // SQLite keeps each create statement as written, only its first two words in capitals.
    QStringList creates;
    for (const QString& s : TavSchema::statements()) {
        if (s.startsWith("create table "))
            creates << "CREATE TABLE " + s.mid(13);
    }
    QStringList stored = masterRows("sql", "table");
    stored.removeAll("CREATE TABLE sqlite_sequence(name,seq)");
    QCOMPARE(stored, creates);
    QVERIFY(stored.first().contains("username varchar, \t\t\t\t\t\t\t\t  loginusername"));

    QCOMPARE(committedValue("select count(*) from TAV_AppInfo").toInt(), 1);
    QCOMPARE(committedValue("select version from TAV_AppInfo where appID = '0'").toString(), QString("4.2.0"));
    QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toString(), QString(""));
    QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
    QCOMPARE(committedValue("select keyName from TAV_Config order by rowid limit 1").toString(), QString("AnswerTime"));
    QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'CountdownSound'").toString(),
             QString("5_SecondCountdowntime-3.wav"));
    QCOMPARE(committedValue("select keyName || '=' || keyNalue from TAV_Config order by rowid desc limit 1").toString(),
             QString("TestMode=1"));
    QCOMPARE(committedValue("select group_concat(keyNalue, ',') from TAV_Config where keyName like '%Play'").toString(),
             QString("1,1,1,1,1,1,1,1,1,1,1"));
}

void TestTAVDatabase::existingFileIsLeftUntouched()
{
    QFile::remove(TAVDatabase::databasePath());
    QFile foreign(TAVDatabase::databasePath());
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("not a database");
    foreign.close();

    QVERIFY(TAVDatabase::getInstance()->createDb());
    QVERIFY(foreign.open(QIODevice::ReadOnly));
    QCOMPARE(foreign.readAll(), QByteArray("not a database"));
}

void TestTAVDatabase::failedCreationLeavesNoFileAndNextStartRetries()
{
    QFile::remove(TAVDatabase::databasePath());
    // A folder in the place of SQLite's journal makes the first write of the creation fail.
    const QString journal = TAVDatabase::databasePath() + "-journal";
    QVERIFY(QDir().mkpath(journal));
    {
        LogCapture log;
        QVERIFY(!TAVDatabase::getInstance()->createDb());
        QVERIFY(log.contains("****database error: "));
        QVERIFY(log.contains("****the sql is: create table TAV_AppInfo"));
    }
    QVERIFY(!QFile::exists(TAVDatabase::databasePath()));
    QVERIFY(!TAVDatabase::getInstance()->openLocalDb());

    QVERIFY(QDir(journal).removeRecursively());
    QVERIFY(TAVDatabase::getInstance()->createDb());
    QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
}

void TestTAVDatabase::missingFileIsNotOpened()
{
    QFile::remove(TAVDatabase::databasePath());
    LogCapture log;
    QVERIFY(!TAVDatabase::getInstance()->openLocalDb());
    QVERIFY(!log.contains("****open db fail"));
    QVERIFY(!QFile::exists(TAVDatabase::databasePath()));
}

void TestTAVDatabase::borrowReportsFreeSizeAndRotates()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    LogCapture log;
    QSqlDatabase first = database->getDbCon();
    QCOMPARE(first.connectionName(), QString("tav0"));
    QSqlDatabase second = database->getDbCon();
    QVERIFY(log.lines().contains("the free size is: 10"));
    QVERIFY(log.lines().contains("the free size is: 9"));
    database->closeDbCon(first);
    database->closeDbCon(second);

    QStringList order;
    for (int i = 0; i < 11; ++i) {
        QSqlDatabase db = database->getDbCon();
        order << db.connectionName();
        database->closeDbCon(db);
    }
    QCOMPARE(order,
             QStringList({ "tav2", "tav3", "tav4", "tav5", "tav6", "tav7", "tav8", "tav9", "tav0", "tav1", "tav2" }));
}

void TestTAVDatabase::exhaustedPoolGivesInvalidHandle()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    QList<QSqlDatabase> borrowed;
    for (int i = 0; i < 10; ++i)
        borrowed << database->getDbCon();
    QCOMPARE(database->freeCount(), 0);

    QSqlDatabase none = database->getDbCon();
    QVERIFY(!none.isValid());
    // The notice counts down by itself instead of waiting for a click.
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    QVERIFY(notice->isVisible());
    QVERIFY(notice->isCounting());
    notice->hide();

    LogCapture log;
    QCOMPARE(TAV_AppInfo::getInstance()->selectVersion(none), QString());
    QCOMPARE(TAV_AppInfo::getInstance()->selectLastClass(none), -1);
    InteractInfoRow row;
    QCOMPARE(TAV_InteractInfo::getInstance()->insertInteractInfo(none, &row), -1);
    QVERIFY(log.contains("****database error: "));

    database->closeDbCon(none);
    QCOMPARE(database->freeCount(), 0);
    for (const QSqlDatabase& db : borrowed)
        database->closeDbCon(db);
    QCOMPARE(database->freeCount(), 10);
}

void TestTAVDatabase::foreignAndDoubleGiveBacksAreRefused()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    database->closeDbCon(db);
    database->closeDbCon(db);
    QCOMPARE(database->freeCount(), 10);

    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(TAVDatabase::databasePath());
        QVERIFY(other.open());
        database->closeDbCon(other);
        QCOMPARE(database->freeCount(), 10);
        other.close();
    }
    QSqlDatabase::removeDatabase("other");
}

void TestTAVDatabase::failedStatementKeepsEarlierWrites()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    TAV_Config::getInstance()->setValue(db, "TimeLimit", "45");
    TAV_AppInfo::getInstance()->setLastClass(db, 7);
    {
        LogCapture log;
        QVERIFY(!QSqlQuery(db).exec("insert into TAV_Nothing values(1)"));
        TAV_ClassRecord::getInstance()->setUploaded(db, 1);
    }
    database->closeDbCon(db);
    QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(), QString("45"));
    QCOMPARE(committedValue("select lastclass from TAV_AppInfo").toInt(), 7);
}

namespace {
// Takes the upload connection in its own thread, writes, and waits to be told to end.
class UploadLikeThread : public QThread
{
public:
    QString connectionName;
    bool wrote = false;
    QSemaphore holding;
    QSemaphore finish;

protected:
    void run() override
    {
        TAVDatabase* database = TAVDatabase::getInstance();
        QSqlDatabase db = database->getThreadDbCon();
        connectionName = db.connectionName();
        TAV_AppInfo::getInstance()->setUserName(db, "upload");
        wrote = db.isOpen();
        database->closeThreadDbCon(db);
        holding.release();
        finish.acquire();
    }
};
} // namespace

void TestTAVDatabase::threadConnectionBelongsToItsThread()
{
    QVERIFY(freshDatabase());
    TAVDatabase* database = TAVDatabase::getInstance();
    UploadLikeThread first;
    first.start();
    QVERIFY(first.holding.tryAcquire(1, 10000));
    QCOMPARE(first.connectionName, QString("tavThread"));
    QVERIFY(first.wrote);
    QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), QString("upload"));

    {
        LogCapture log;
        QVERIFY(!database->getThreadDbCon().isValid());
        QVERIFY(log.contains("****getThreadDbCon: tavThread belongs to another thread"));
    }
    first.finish.release();
    QVERIFY(first.wait(10000));

    // Its thread has ended: a new upload thread opens the connection again.
    UploadLikeThread second;
    second.start();
    QVERIFY(second.holding.tryAcquire(1, 10000));
    QCOMPARE(second.connectionName, QString("tavThread"));
    second.finish.release();
    QVERIFY(second.wait(10000));
}

void TestTAVDatabase::startUpLoadFillsTeacherState()
{
    QVERIFY(freshDatabase());
    QVERIFY(
        runOutside("update TAV_AppInfo set autologin = 1, loginusername = 't01', password = 'abc', lastclass = 12"));
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->configMap.insert("Stale", "x");

    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    QVERIFY(TAV_Config::getInstance()->loadAll(db));
    TAV_AppInfo::getInstance()->loadAll(db);
    database->closeDbCon(db);

    QCOMPARE(mem->configMap.size(), 30);
    QCOMPARE(mem->configMap.value("TimeLimit"), QString("30"));
    QCOMPARE(mem->appVersion, QString("4.2.0"));
    QVERIFY(mem->autoLogin);
    QCOMPARE(mem->loginUserName, QString("t01"));
    QCOMPARE(mem->password, QString("abc"));
    QCOMPARE(mem->lastClass, 12);
}

int main(int argc, char* argv[])
{
    return runInPrivateDir(argc, argv, [](int c, char** v) {
        QApplication app(c, v);
        TestTAVDatabase test;
        return QTest::qExec(&test, c, v);
    });
}

#include "TestTAVDatabase.moc"

#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_AppInfo.h"
#include "TAV_Config.h"
#include "TAV_InteractInfo.h"
#include "TavSchema.h"
#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QtTest>

using namespace DbTestSupport;

namespace {
// One committed column as a list, in the order of the select.
QStringList column(const QString& select)
{
    return committedValue("select group_concat(c, char(31)) from (" + select + ")").toString().split(QChar(31));
}
} // namespace

// The database file, its schema and default rows, the connections to it, and the application row and settings
// that start-up loads from it into the teacher state.
class TestTAVDatabase : public QObject
{
    Q_OBJECT
private slots:
    void newFileMatchesTheInstalledOnes()
    {
        // Fingerprint of the 48 statements as field installations have them (tabs and blanks included).
        const QStringList statements = TavSchema::statements();
        QCOMPARE(statements.size(), 48);
        QCOMPARE(QCryptographicHash::hash(statements.join('\n').toUtf8(), QCryptographicHash::Md5).toHex(),
                 QByteArray("77b25922b88ea18fdac449d426597261"));

        QFile::remove(TAVDatabase::databasePath());
        QVERIFY(TAVDatabase::getInstance()->createDb());
        // SQLite keeps each create statement as written, only its first two words in capitals.
        QStringList creates = statements.filter(QRegularExpression("^create table "));
        creates.replaceInStrings(QRegularExpression("^create table "), "CREATE TABLE ");
        creates.insert(8, "CREATE TABLE sqlite_sequence(name,seq)");
        QCOMPARE(column("select sql as c from sqlite_master where type = 'table' order by rowid"), creates);

        QCOMPARE(column("select count(*) || '|' || appID || '|' || version || '|' || autologin || '|' || username ||"
                        " '|' || loginusername || '|' || password || '|' || lastclass as c from TAV_AppInfo"),
                 QStringList("1|0|4.2.0|0||||"));
        QStringList settings;
        for (const auto& row : TavSchema::defaultSettings())
            settings << row.first + '=' + row.second;
        QCOMPARE(settings.size(), 30);
        QCOMPARE(column("select keyName || '=' || keyNalue as c from TAV_Config order by rowid"), settings);
    }

    void failedCreationLeavesNoFileAndNextStartRetries()
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
        // Opening must not leave an empty file behind, or the next start would take it for a database.
        QVERIFY(!TAVDatabase::getInstance()->openLocalDb());
        QVERIFY(!QFile::exists(TAVDatabase::databasePath()));

        QVERIFY(QDir(journal).removeRecursively());
        QVERIFY(TAVDatabase::getInstance()->createDb());
        QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
        // An existing file is left as it is, whatever it holds.
        QVERIFY(runOutside("delete from TAV_Config"));
        QVERIFY(TAVDatabase::getInstance()->createDb());
        QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 0);
    }

    void poolLendsTenAndTakesBackOnlyItsOwn()
    {
        QVERIFY(freshDatabase());
        TAVDatabase* database = TAVDatabase::getInstance();
        QList<QSqlDatabase> borrowed;
        for (int i = 0; i < 10; ++i)
            borrowed << database->getDbCon();
        QCOMPARE(borrowed.first().connectionName(), QString("tav0"));
        QCOMPARE(database->freeCount(), 0);

        // The notice is modal and offers a button, so the teacher can always dismiss it.
        DialogAnswerer::answerNextAutoMsg(ZUTAVAutoMsg::Cancel);
        QSqlDatabase none = database->getDbCon();
        QVERIFY(DialogAnswerer::waitUntilAnswered() && DialogAnswerer::failures() == 0);
        QCOMPARE(DialogAnswerer::lastTitle() + DialogAnswerer::lastText(), QString("错误未有空闲的数据库连接"));
        QVERIFY(!none.isValid());
        QCOMPARE(TAV_AppInfo::getInstance()->selectLastClass(none), -1);
        InteractInfoRow row;
        QCOMPARE(TAV_InteractInfo::getInstance()->insertInteractInfo(none, &row), -1);

        // Neither the invalid handle nor a second give-back enters the pool.
        database->closeDbCon(none);
        database->closeDbCon(borrowed.first());
        database->closeDbCon(borrowed.first());
        QCOMPARE(database->freeCount(), 1);
        for (const QSqlDatabase& db : borrowed.mid(1))
            database->closeDbCon(db);
        QCOMPARE(database->freeCount(), 10);
    }

    void poolLendsTheLongestIdleFirst()
    {
        QVERIFY(freshDatabase());
        TAVDatabase* database = TAVDatabase::getInstance();
        // One connection held throughout: the others still come round in turn.
        QSqlDatabase held = database->getDbCon();
        QStringList order;
        for (int i = 0; i < 10; ++i) {
            QSqlDatabase db = database->getDbCon();
            order << db.connectionName();
            database->closeDbCon(db);
        }
        database->closeDbCon(held);
        QCOMPARE(order.join(' '), QString("tav1 tav2 tav3 tav4 tav5 tav6 tav7 tav8 tav9 tav1"));
        QSqlDatabase next = database->getDbCon();
        database->closeDbCon(next);
        QCOMPARE(next.connectionName(), QString("tav2"));
    }

    void rollbackGivesBackWithoutKeeping()
    {
        QVERIFY(freshDatabase());
        TAVDatabase* database = TAVDatabase::getInstance();
        QSqlDatabase db = database->getDbCon();
        QVERIFY(TAV_Config::getInstance()->setValues(db, { "TimeLimit" }, { "77" }));
        database->rollbackDbCon(db);
        QCOMPARE(database->freeCount(), 10);
        QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(),
                 QString("30"));
        // Rolled back already (as SQLite does on a full disk), and given back twice: taken once.
        db = database->getDbCon();
        db.rollback();
        database->rollbackDbCon(db);
        database->rollbackDbCon(db);
        QCOMPARE(database->freeCount(), 10);
        // The next borrower starts a transaction of its own.
        db = database->getDbCon();
        QVERIFY(TAV_Config::getInstance()->setValues(db, { "TimeLimit" }, { "45" }));
        QVERIFY(database->closeDbCon(db));
        QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = 'TimeLimit'").toString(),
                 QString("45"));
    }

    void threadConnectionBelongsToItsThread()
    {
        QVERIFY(freshDatabase());
        // The second round: the first upload thread has ended, so a new one opens the connection again.
        for (const QString user : { "first", "second" }) {
            QSemaphore holding, finish;
            QString name;
            QScopedPointer<QThread> thread(QThread::create([&] {
                QSqlDatabase db = TAVDatabase::getInstance()->getThreadDbCon();
                name = db.connectionName();
                TAV_AppInfo::getInstance()->setUserName(db, user);
                TAVDatabase::getInstance()->closeThreadDbCon(db);
                holding.release();
                finish.acquire();
            }));
            thread->start();
            QVERIFY(holding.tryAcquire(1, 10000));
            QCOMPARE(name, QString("tavThread"));
            QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), user);
            LogCapture log;
            QVERIFY(!TAVDatabase::getInstance()->getThreadDbCon().isValid());
            QVERIFY(log.contains("****getThreadDbCon: tavThread belongs to another thread"));
            finish.release();
            QVERIFY(thread->wait(30000));
        }
    }

    void ownConnectionBelongsToItsThread()
    {
        QVERIFY(freshDatabase());
        TAVDatabase* database = TAVDatabase::getInstance();
        QSemaphore written, close, closed;
        QScopedPointer<QThread> thread(QThread::create([&] {
            {
                QSqlDatabase db = database->openOwnDbCon("worker", 1000);
                db.transaction();
                TAV_AppInfo::getInstance()->setUserName(db, "worker");
                db.commit();
            }
            written.release();
            close.acquire();
            database->closeOwnDbCon("worker");
            closed.release();
        }));
        thread->start();
        QVERIFY(written.tryAcquire(1, 10000));
        QCOMPARE(committedValue("select username from TAV_AppInfo").toString(), QString("worker"));
        {
            LogCapture log;
            QVERIFY(!database->openOwnDbCon("worker", 1000).isValid());
            database->closeOwnDbCon("worker");
            QVERIFY(log.contains("****openOwnDbCon: the connection name is in use: worker"));
            QVERIFY(log.contains("****closeOwnDbCon: not a connection of this thread: worker"));
        }

        // While the worker holds it, the end of the program's use of the file leaves it to the worker; once the
        // worker has closed it, nothing is left. (The upload connection of an earlier test's thread is taken over
        // first, so that only the worker's counts.)
        database->closeThreadDbCon(database->getThreadDbCon());
        LogCapture log;
        database->closeLocalDb();
        QVERIFY(log.contains("****closeLocalDb: a worker thread still holds worker"));
        close.release();
        QVERIFY(closed.tryAcquire(1, 10000));
        QVERIFY(thread->wait(30000));
        log.clear();
        QVERIFY(database->openLocalDb());
        database->closeLocalDb();
        QVERIFY(!log.contains("still holds"));
        QVERIFY(database->openLocalDb());
    }

    void startUpLoadsApplicationRowAndSettings()
    {
        QVERIFY(freshDatabase());
        QVERIFY(runOutside("update TAV_AppInfo set autologin = ?, loginusername = ?, password = ?, lastclass = ?, "
                           "username = ?",
                           { 2, "O'Neil", "e10adc3949ba59abbe56e057f20f883e", 301, "t7" }));
        TAVMemInfo* mem = TAVMemInfo::getInstance();
        resetTeacherState();
        mem->configMap.insert("Stale", "x");
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        QVERIFY(TAV_Config::getInstance()->loadAll(db));
        TAV_AppInfo::getInstance()->loadAll(db);
        TAVDatabase::getInstance()->closeDbCon(db);
        QVERIFY(mem->configMap.size() == 30 && mem->configMap.value("TimeLimit") == "30" && mem->autoLogin);
        // The imported user name is not loaded.
        QCOMPARE(QStringList({ mem->appVersion, mem->loginUserName, mem->password, QString::number(mem->lastClass),
                               mem->userName }),
                 QStringList({ "4.2.0", "O'Neil", "e10adc3949ba59abbe56e057f20f883e", "301", "" }));
    }

    void settingWritesReloadTheMap_data()
    {
        QTest::addColumn<QVariantList>("keys");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("stored"); // afterwards, per key; unchanged when refused
        const QVariantList two { "TimeLimit", "TestTime" };
        QTest::newRow("one key") << QVariantList { "TimeLimit" } << QVariantList { "45" } << QStringList { "45" };
        QTest::newRow("pairs") << two << QVariantList { 45, 600 } << QStringList { "45", "600" };
        QTest::newRow("more keys") << two << QVariantList { 45 } << QStringList { "30", "900" };
        QTest::newRow("more values") << two.mid(0, 1) << QVariantList { 45, 600 } << QStringList { "30" };
    }

    void settingWritesReloadTheMap()
    {
        QFETCH(QVariantList, keys);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, stored);
        const bool accepted = keys.size() == values.size();
        QVERIFY(freshDatabase());
        TAVMemInfo* mem = TAVMemInfo::getInstance();
        mem->configMap = { { "Marker", "kept" } };
        LogCapture log;
        TAV_Config* config = TAV_Config::getInstance();
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        QCOMPARE(accepted && keys.size() == 1 ? config->setValue(db, keys.first().toString(), values.first().toString())
                                              : config->setValues(db, keys, values),
                 accepted);
        TAVDatabase::getInstance()->closeDbCon(db);
        QCOMPARE(log.count("****"), accepted ? 0 : 1);
        QCOMPARE(log.count("****setValues refused"), accepted ? 0 : 1);
        QCOMPARE(mem->configMap.contains("Marker"), !accepted);
        for (int i = 0; i < keys.size(); ++i) {
            const QString key = keys.at(i).toString();
            QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = ?", { key }).toString(),
                     stored.at(i));
            QCOMPARE(mem->configMap.value(key), accepted ? stored.at(i) : QString());
        }
    }
};

TAV_DB_TEST_MAIN(TestTAVDatabase)

#include "TestTAVDatabase.moc"

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
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

using namespace DbTestSupport;

// The database file, its schema and default rows, the connections to it, and the application row and settings
// that start-up loads from it into the teacher state.
class TestTAVDatabase : public QObject
{
    Q_OBJECT
private slots:
    void newFileMatchesTheInstalledOnes();
    void existingFileIsLeftUntouched();
    void failedCreationLeavesNoFileAndNextStartRetries();
    void poolLendsTenAndTakesBackOnlyItsOwn();
    void threadConnectionBelongsToItsThread();
    void applicationRowFollowsIntoTeacherState();
    void settingWritesReloadTheMap_data();
    void settingWritesReloadTheMap();
};

namespace {
// One committed column as a list, in the order of the select.
QStringList column(const QString& select)
{
    return committedValue("select group_concat(c, char(31)) from (" + select + ")").toString().split(QChar(31));
}
} // namespace

void TestTAVDatabase::newFileMatchesTheInstalledOnes()
{
    // Fingerprint of the 48 statements as field installations have them (tabs and blanks included).
    const QStringList statements = TavSchema::statements();
    QCOMPARE(statements.size(), 48);
    QCOMPARE(QCryptographicHash::hash(statements.join('\n').toUtf8(), QCryptographicHash::Md5).toHex(),
             QByteArray("77b25922b88ea18fdac449d426597261"));

    QFile::remove(TAVDatabase::databasePath());
    QVERIFY(TAVDatabase::getInstance()->createDb());
    // SQLite keeps each create statement as written, only its first two words in capitals.
    QStringList creates;
    for (const QString& s : statements) {
        if (s.startsWith("create table "))
            creates << "CREATE TABLE " + s.mid(13);
    }
    creates.insert(8, "CREATE TABLE sqlite_sequence(name,seq)");
    QCOMPARE(column("select sql as c from sqlite_master where type = 'table' order by rowid"), creates);

    QCOMPARE(committedValue("select count(*) || '|' || appID || '|' || version || '|' || autologin || '|' || "
                            "username || '|' || loginusername || '|' || password || '|' || lastclass from TAV_AppInfo")
                 .toString(),
             QString("1|0|4.2.0|0||||"));
    QStringList settings;
    for (const auto& row : TavSchema::defaultSettings())
        settings << row.first + '=' + row.second;
    QCOMPARE(settings.size(), 30);
    QCOMPARE(column("select keyName || '=' || keyNalue as c from TAV_Config order by rowid"), settings);
}

void TestTAVDatabase::existingFileIsLeftUntouched()
{
    QFile file(TAVDatabase::databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a database");
    file.close();
    QVERIFY(TAVDatabase::getInstance()->createDb());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a database"));
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
    // Opening must not leave an empty file behind, or the next start would take it for a database.
    QVERIFY(!TAVDatabase::getInstance()->openLocalDb());
    QVERIFY(!QFile::exists(TAVDatabase::databasePath()));

    QVERIFY(QDir(journal).removeRecursively());
    QVERIFY(TAVDatabase::getInstance()->createDb());
    QCOMPARE(committedValue("select count(*) from TAV_Config").toInt(), 30);
}

void TestTAVDatabase::poolLendsTenAndTakesBackOnlyItsOwn()
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
    QVERIFY(DialogAnswerer::waitUntilAnswered());
    QCOMPARE(DialogAnswerer::failures(), 0);
    QCOMPARE(DialogAnswerer::lastTitle(), QString("错误"));
    QCOMPARE(DialogAnswerer::lastText(), QString("未有空闲的数据库连接"));
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

void TestTAVDatabase::threadConnectionBelongsToItsThread()
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
        {
            LogCapture log;
            QVERIFY(!TAVDatabase::getInstance()->getThreadDbCon().isValid());
            QVERIFY(log.contains("****getThreadDbCon: tavThread belongs to another thread"));
        }
        finish.release();
        QVERIFY(thread->wait(10000));
    }
}

void TestTAVDatabase::applicationRowFollowsIntoTeacherState()
{
    QVERIFY(freshDatabase());
    resetTeacherState();
    TAV_AppInfo* app = TAV_AppInfo::getInstance();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    app->setLoginUserName(db, "O'Neil");
    app->setPassword(db, "e10adc3949ba59abbe56e057f20f883e");
    app->setAutoLogin(db, 2);
    app->setLastClass(db, 301);
    app->setUserName(db, "t7");
    QVERIFY(mem->autoLogin);
    QCOMPARE(mem->userName, QString("t7"));

    // What start-up loads.
    resetTeacherState();
    mem->configMap.insert("Stale", "x");
    QVERIFY(TAV_Config::getInstance()->loadAll(db));
    app->loadAll(db);
    QCOMPARE(mem->configMap.size(), 30);
    QCOMPARE(mem->configMap.value("TimeLimit"), QString("30"));
    QCOMPARE(mem->appVersion, QString("4.2.0"));
    QVERIFY(mem->autoLogin);
    QCOMPARE(mem->loginUserName, QString("O'Neil"));
    QCOMPARE(mem->password, QString("e10adc3949ba59abbe56e057f20f883e"));
    QCOMPARE(mem->lastClass, 301);
    QCOMPARE(mem->userName, QString()); // the imported user name is not loaded
    TAVDatabase::getInstance()->closeDbCon(db);
}

void TestTAVDatabase::settingWritesReloadTheMap_data()
{
    QTest::addColumn<QVariantList>("keys");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("stored"); // afterwards, per key
    const QVariantList limit { "TimeLimit" };
    QTest::newRow("one key") << limit << QVariantList { "45" } << true << QStringList { "45" };
    QTest::newRow("pairs") << QVariantList { "TimeLimit", "DoNotShowUnAnswer" } << QVariantList { 45, 1 } << true
                           << QStringList { "45", "1" };
    QTest::newRow("more keys") << QVariantList { "TimeLimit", "TestTime" } << QVariantList { 45 } << false
                               << QStringList { "30", "900" };
    QTest::newRow("more values") << limit << QVariantList { 45, 600 } << false << QStringList { "30" };
}

void TestTAVDatabase::settingWritesReloadTheMap()
{
    QFETCH(QVariantList, keys);
    QFETCH(QVariantList, values);
    QFETCH(bool, accepted);
    QFETCH(QStringList, stored);
    QVERIFY(freshDatabase());
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->configMap = { { "Marker", "kept" } };
    LogCapture log;
    TAV_Config* config = TAV_Config::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    QCOMPARE(keys.size() == 1 && values.size() == 1
                 ? config->setValue(db, keys.first().toString(), values.first().toString())
                 : config->setValues(db, keys, values),
             accepted);
    TAVDatabase::getInstance()->closeDbCon(db);
    QCOMPARE(log.count("****"), accepted ? 0 : 1);
    QCOMPARE(log.count("****setValues refused"), accepted ? 0 : 1);
    QCOMPARE(mem->configMap.contains("Marker"), !accepted);

    for (int i = 0; i < keys.size(); ++i) {
        const QString key = keys.at(i).toString();
        QCOMPARE(committedValue("select keyNalue from TAV_Config where keyName = ?", { key }).toString(), stored.at(i));
        QCOMPARE(mem->configMap.value(key), accepted ? stored.at(i) : QString());
    }
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

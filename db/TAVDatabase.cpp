#include "TAVDatabase.h"

#include "TavAccess.h"
#include "TavFileCheck.h"
#include "TavSchema.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"
#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtDebug>

namespace {
const char* const kDriver = "QSQLITE";
const char* const kUser = "admin";
const char* const kPassword = "qx7dorn#";
const char* const kCreateName = "tav";
const char* const kThreadName = "tavThread";
const int kPoolSize = 10;

QString poolName(int i)
{
    return QStringLiteral("tav") + QString::number(i);
}

// Adds and opens a connection to the database file under the given name.
QSqlDatabase openConnection(const QString& name, const QString& options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(kDriver), name);
    db.setDatabaseName(QDir::toNativeSeparators(TAVDatabase::databasePath()));
    db.setUserName(QLatin1String(kUser));
    db.setPassword(QLatin1String(kPassword));
    if (!options.isEmpty())
        db.setConnectOptions(options);
    db.open(QLatin1String(kUser), QLatin1String(kPassword));
    return db;
}

// Removes a file that this start made; a link or a folder found there meanwhile stays.
void removeOwnFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && !info.isSymLink())
        QFile::remove(path);
}

// The file begins with SQLite's header, and the page count SQLite wrote there (when it is current) agrees with
// the file's length, so a file cut short or overwritten is refused before the pool opens.
QString headerProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read: ") + file.errorString();
    const QByteArray head = file.read(100);
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return QStringLiteral("file is not a database");
    const auto number = [&head](int at, int bytes) {
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | quint8(head.at(at + i));
        return value;
    };
    const qint64 pageSize = number(16, 2) == 1 ? 65536 : number(16, 2);
    const qint64 pages = number(28, 4);
    const bool countCurrent = number(24, 4) == number(92, 4);
    if (pageSize < 512 || (countCurrent && pages != 0 && pages * pageSize != file.size()))
        return QStringLiteral("database disk image is malformed: its header does not fit its length");
    return QString();
}

QString missingTables(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select name from sqlite_master where type = 'table'")))
        return QStringLiteral("no table list: ") + TavStatement::errorText(query.lastError());
    QStringList missing = TavSchema::tableNames();
    while (query.next())
        missing.removeAll(query.value(0).toString());
    return missing.isEmpty() ? QString() : QStringLiteral("it lacks the tables ") + missing.join(QStringLiteral(", "));
}

// A write that is rolled back at once: a read-only file, or a folder where SQLite cannot make its journal,
// shows here instead of in every write of the teacher's lesson.
QString writeProblem(QSqlDatabase db)
{
    if (!db.transaction())
        return QStringLiteral("it cannot be written: ") + TavStatement::errorText(db.lastError());
    QString problem;
    {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("insert or replace into TAV_Config (keyName, keyNalue) values(?, ?)"));
        query.addBindValue(QStringLiteral("~startUpWriteCheck"));
        query.addBindValue(QString(""));
        if (!query.exec())
            problem = QStringLiteral("it cannot be written: ") + TavStatement::errorText(query.lastError());
    }
    if (!db.rollback() && problem.isEmpty())
        problem = QStringLiteral("the write check is not rolled back: ") + TavStatement::errorText(db.lastError());
    return problem;
}

// Empty when the file looks like a database of this program that can be written; whether every page of it is
// sound only the read-through tells. SQLite reads the file first, so that a transaction a crash cut off is rolled
// back before the header is compared with the length.
QString quickProblem(QSqlDatabase db)
{
    QString problem = missingTables(db);
    if (problem.isEmpty())
        problem = headerProblem(TAVDatabase::databasePath());
    if (problem.isEmpty())
        problem = writeProblem(db);
    return problem;
}

// Until the file is known to be sound the pool only reads: a statement that would write fails instead.
QString keepFromWriting(const QList<QSqlDatabase>& pool)
{
    for (const QSqlDatabase& db : pool) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA query_only = 1")))
            return QStringLiteral("it cannot be opened for reading only: ")
                + TavStatement::errorText(query.lastError());
    }
    return QString();
}

void removeConnection(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
} // namespace

TAVDatabase::TAVDatabase()
{
    // A damaged file is refused as soon as the read-through says so, also when nothing borrows meanwhile (the
    // teacher types the password).
    connect(&m_check, &TavFileCheck::checked, this, [this](bool sound) {
        if (!sound)
            refuseFile();
    });
}

TAVDatabase::~TAVDatabase()
{
    threadConnection.close();
}

QString TAVDatabase::databasePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/TAVSqlite.db");
}

bool TAVDatabase::createDb()
{
    // A read-through of a file opened before must not write beside the one made here.
    m_check.reset();
    const QString path = databasePath();
    const QString journal = path + QStringLiteral("-journal");
    const QFileInfo standing(path);
    const bool madeHere = !standing.exists() && !standing.isSymLink();
    if (madeHere) {
        // Made here before SQLite opens it, so that a failed creation removes only what this start made: never a
        // link to a share that is not mounted, nor anything else that stood at the path.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            qWarning().noquote() << QStringLiteral("****createDb cannot make the file: ") + file.errorString();
            return false;
        }
        file.close();
    } else if (!standing.isFile() || standing.size() != 0) {
        return true; // a database, or something that the pool's check refuses; either way left as it is
    } else {
        qWarning() << "****the database file is empty, a creation was cut off: its tables are made now";
    }

    const bool journalStood = QFileInfo::exists(journal) || QFileInfo(journal).isSymLink();
    const bool ok = makeSchema();
    if (!ok && madeHere) {
        qWarning() << "****createDb failed, the unfinished database file is removed";
        removeOwnFile(path);
        if (!journalStood)
            removeOwnFile(journal);
    }
    return ok;
}

bool TAVDatabase::makeSchema()
{
    bool ok = false;
    {
        QSqlDatabase db = openConnection(QLatin1String(kCreateName), QString());
        if (!db.isOpen()) {
            qWarning().noquote() << QStringLiteral("****database error: ") + TavStatement::errorText(db.lastError());
        } else {
            // One transaction: either the whole schema with its default rows or nothing.
            ok = TavStatement::runInOneTransaction(db, TavSchema::statements());
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(kCreateName));
    return ok;
}

void TAVDatabase::setAuthority()
{
    if (!TavAccess::grantReadWrite(databasePath()))
        qWarning() << "****set Authority failed";
}

bool TAVDatabase::openLocalDb()
{
    const QFileInfo file(databasePath());
    if (!file.exists()) {
        if (file.isSymLink())
            qWarning().noquote() << QStringLiteral("****the database file is a link to nothing: ")
                    + file.symLinkTarget();
        return false;
    }

    m_check.reset();
    dropPool();
    // Earlier versions noted a clean exit beside the file and then trusted it unread; nothing reads that now.
    QFile::remove(databasePath() + QStringLiteral("-clean"));
    for (int i = 0; i < kPoolSize; ++i) {
        QSqlDatabase db = openConnection(poolName(i), QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.isOpen()) {
            qWarning() << "****open db fail";
            return false;
        }
        TavStatement::enableCache(db.connectionName());
        freeList.append(db);
    }
    QString problem = quickProblem(freeList.first());
    if (problem.isEmpty())
        problem = keepFromWriting(freeList);
    if (!problem.isEmpty()) {
        // Nothing may borrow a connection to it; the file stays exactly as it is for the administrator.
        qWarning().noquote() << QStringLiteral("****the database file cannot be used: ") + problem;
        dropPool();
        return false;
    }
    m_refused = false;
    m_check.start(databasePath());
    // What the last run could not write goes first; its writer waits for the read-through's verdict.
    TavWriteBehind::getInstance()->resume();
    return true;
}

void TAVDatabase::closeLocalDb()
{
    closeOwnConnections();
    dropPool();
    releaseThreadDbCon();
    m_check.reset();
}

bool TAVDatabase::waitForFileCheck()
{
    return m_check.wait();
}

bool TAVDatabase::fileCheckPending() const
{
    return m_check.pending();
}

void TAVDatabase::setDamageHandler(const std::function<void()>& handler)
{
    m_damageHandler = handler;
}

void TAVDatabase::refuseFile()
{
    if (m_check.verdict() != TavFileCheck::Verdict::Damaged || m_refused)
        return;
    m_refused = true;
    // No borrow is served from now on; the file stays exactly as it is for the administrator.
    dropPool();
    if (m_damageHandler)
        m_damageHandler();
}

void TAVDatabase::dropPool()
{
    freeList.clear();
    m_writable.clear();
    for (int i = 0; i < kPoolSize; ++i) {
        TavStatement::dropCache(poolName(i));
        if (QSqlDatabase::contains(poolName(i)))
            removeConnection(poolName(i));
    }
}

QSqlDatabase TAVDatabase::getDbCon()
{
    qDebug() << "get normal dbCon";
    if (!waitForFileCheck()) {
        refuseFile();
        if (m_refused)
            return QSqlDatabase();
    }
    return lend(true, "****getDbCon database error: ");
}

QSqlDatabase TAVDatabase::getReadDbCon()
{
    qDebug() << "get read dbCon";
    return lend(m_check.verdict() == TavFileCheck::Verdict::Sound, "****getReadDbCon database error: ");
}

QSqlDatabase TAVDatabase::lend(bool writable, const char* failure)
{
    qDebug().noquote() << QStringLiteral("the free size is: ") + QString::number(freeList.size());
    QSqlDatabase db = borrow();
    if (!db.isValid())
        return db;
    if (writable)
        makeWritable(db);
    if (!db.transaction())
        qWarning().noquote() << QLatin1String(failure) + TavStatement::errorText(db.lastError());
    return db;
}

QSqlDatabase TAVDatabase::borrow()
{
    if (freeList.isEmpty()) {
        if (!m_refused)
            notify("未有空闲的数据库连接");
        return QSqlDatabase();
    }
    return freeList.takeFirst();
}

void TAVDatabase::makeWritable(QSqlDatabase db)
{
    if (m_writable.contains(db.connectionName()))
        return;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA query_only = 0"))) {
        qWarning().noquote() << QStringLiteral("****getDbCon database error: ")
                + TavStatement::errorText(query.lastError());
        return;
    }
    query.finish();
    m_writable.append(db.connectionName());
}

bool TAVDatabase::closeDbCon(QSqlDatabase db)
{
    qDebug() << "close dbCon";
    if (!isPooled(db)) {
        qWarning() << "****closeDbCon: not a borrowed pool connection, ignored";
        return false;
    }
    const bool committed = db.commit();
    if (!committed) {
        qWarning().noquote() << QStringLiteral("****closeDbCon database error: ")
                + TavStatement::errorText(db.lastError());
        db.rollback();
        notify("提交数据库失败");
    }
    freeList.append(db);
    return committed;
}

void TAVDatabase::rollbackDbCon(QSqlDatabase db)
{
    qDebug() << "rollback dbCon";
    if (!isPooled(db)) {
        qWarning() << "****rollbackDbCon: not a borrowed pool connection, ignored";
        return;
    }
    // SQLite may have ended the transaction itself (a full disk); a rollback with none open is no failure.
    if (!db.rollback())
        qDebug().noquote() << QStringLiteral("rollbackDbCon: ") + TavStatement::errorText(db.lastError());
    freeList.append(db);
}

bool TAVDatabase::isPooled(const QSqlDatabase& db) const
{
    if (!db.isValid() || !db.isOpen())
        return false;
    const QString name = db.connectionName();
    bool known = false;
    for (int i = 0; i < kPoolSize; ++i)
        known = known || name == poolName(i);
    if (!known)
        return false;
    for (const QSqlDatabase& idle : freeList) {
        if (idle.connectionName() == name)
            return false; // given back twice
    }
    return true;
}

QSqlDatabase TAVDatabase::getThreadDbCon()
{
    if (!waitForFileCheck()) {
        qWarning() << "****getThreadDbCon: the database file is not known to be sound, nothing is written into it";
        return QSqlDatabase();
    }
    QMutexLocker locker(&threadMutex);
    if (threadConnection.isValid() && threadOwner != QThread::currentThread()) {
        if (threadOwner && threadOwner->isRunning()) {
            qWarning() << "****getThreadDbCon: tavThread belongs to another thread";
            return QSqlDatabase();
        }
        dropThreadConnection(); // its thread has ended
    }
    if (!threadConnection.isValid()) {
        if (!QFile::exists(databasePath())) {
            qWarning() << "****getThreadDbCon: no database file";
            return QSqlDatabase();
        }
        threadConnection = openConnection(QLatin1String(kThreadName), QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!threadConnection.isOpen()) {
            qWarning().noquote() << QStringLiteral("****open db fail: ")
                    + TavStatement::errorText(threadConnection.lastError());
            dropThreadConnection();
            return QSqlDatabase();
        }
        threadOwner = QThread::currentThread();
        TavStatement::enableCache(QLatin1String(kThreadName));
    }
    if (!threadConnection.transaction())
        qWarning().noquote() << QStringLiteral("****getThreadDbCon database error: ")
                + TavStatement::errorText(threadConnection.lastError());
    return threadConnection;
}

void TAVDatabase::closeThreadDbCon(QSqlDatabase db)
{
    if (!db.isValid() || !db.isOpen()) {
        qWarning() << "****closeThreadDbCon: the connection is not open";
        return;
    }
    if (!db.commit()) {
        qWarning().noquote() << QStringLiteral("****closeThreadDDbCon database error: ")
                + TavStatement::errorText(db.lastError());
        db.rollback();
    }
}

void TAVDatabase::releaseThreadDbCon()
{
    QMutexLocker locker(&threadMutex);
    if (threadConnection.isValid() && threadOwner == QThread::currentThread())
        dropThreadConnection();
}

QSqlDatabase TAVDatabase::openOwnDbCon(const QString& name, int busyTimeoutMs)
{
    if (!waitForFileCheck()) {
        qWarning() << "****openOwnDbCon: the database file is not known to be sound, nothing is written into it";
        return QSqlDatabase();
    }
    QMutexLocker locker(&threadMutex);
    if (QSqlDatabase::contains(name)) {
        qWarning().noquote() << QStringLiteral("****openOwnDbCon: the connection name is in use: ") + name;
        return QSqlDatabase();
    }
    if (!QFile::exists(databasePath())) {
        qWarning() << "****openOwnDbCon: no database file";
        return QSqlDatabase();
    }
    QSqlDatabase db = openConnection(name, QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(busyTimeoutMs));
    if (!db.isOpen()) {
        qWarning().noquote() << QStringLiteral("****open db fail: ") + TavStatement::errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return QSqlDatabase();
    }
    TavStatement::enableCache(name);
    ownConnections.insert(name, QThread::currentThread());
    return db;
}

void TAVDatabase::closeOwnDbCon(const QString& name)
{
    QMutexLocker locker(&threadMutex);
    if (ownConnections.value(name) != QThread::currentThread()) {
        qWarning().noquote() << QStringLiteral("****closeOwnDbCon: not a connection of this thread: ") + name;
        return;
    }
    ownConnections.remove(name);
    TavStatement::dropCache(name);
    removeConnection(name);
}

void TAVDatabase::closeOwnConnections()
{
    QMutexLocker locker(&threadMutex);
    for (auto it = ownConnections.begin(); it != ownConnections.end();) {
        // A running thread may be inside a transaction on it: that one stays.
        const QPointer<QThread>& owner = it.value();
        if (owner && owner != QThread::currentThread() && owner->isRunning()) {
            qWarning().noquote() << QStringLiteral("****closeLocalDb: a worker thread still holds ") + it.key();
            ++it;
            continue;
        }
        TavStatement::dropCache(it.key());
        removeConnection(it.key());
        it = ownConnections.erase(it);
    }
}

void TAVDatabase::dropThreadConnection()
{
    TavStatement::dropCache(QLatin1String(kThreadName));
    threadConnection.close();
    threadConnection = QSqlDatabase();
    threadOwner = nullptr;
    QSqlDatabase::removeDatabase(QLatin1String(kThreadName));
}

void TAVDatabase::notify(const char* text)
{
    // Modal, as the caller goes on only once the teacher has seen it; the notice offers its own button to
    // close it, so an error never holds the interface. Without widgets (a console tool), or outside the
    // interface thread, only the log remains.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())
        || QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    ZUTAVAutoMsg* notice = ZUTAVAutoMsg::getInstance();
    notice->setTitle(QCoreApplication::translate("TAVDatabase", "错误"));
    notice->setContent(QCoreApplication::translate("TAVDatabase", text));
    notice->exec();
}

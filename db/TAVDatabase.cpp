#include "TAVDatabase.h"

#include "TavAccess.h"
#include "TavSchema.h"
#include "TavStatement.h"
#include "ZUTAVAutoMsg.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    const QString path = databasePath();
    if (QFile::exists(path))
        return true;

    bool ok = false;
    {
        QSqlDatabase db = openConnection(QLatin1String(kCreateName), QString());
        if (!db.isOpen()) {
            qWarning().noquote() << QStringLiteral("****database error: ") + TavStatement::errorText(db.lastError());
        } else {
            // One transaction: either the whole schema with its default rows or nothing.
            ok = db.transaction();
            if (!ok)
                qWarning().noquote() << QStringLiteral("****database error: ")
                        + TavStatement::errorText(db.lastError());
            QSqlQuery query(db);
            const QStringList statements = TavSchema::statements();
            for (int i = 0; ok && i < statements.size(); ++i) {
                if (!query.exec(statements.at(i))) {
                    qWarning().noquote() << QStringLiteral("****database error: ")
                            + TavStatement::errorText(query.lastError());
                    qWarning().noquote() << QStringLiteral("****the sql is: ") + statements.at(i);
                    ok = false;
                }
            }
            query.finish();
            if (ok && !db.commit()) {
                qWarning().noquote() << QStringLiteral("****database error: ")
                        + TavStatement::errorText(db.lastError());
                ok = false;
            }
            if (!ok)
                db.rollback();
            query = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(kCreateName));

    if (!ok) {
        qWarning() << "****createDb failed, the unfinished database file is removed";
        QFile::remove(path + QStringLiteral("-journal"));
        QFile::remove(path);
    }
    return ok;
}

void TAVDatabase::setAuthority()
{
    if (!TavAccess::grantReadWrite(databasePath()))
        qWarning() << "****set Authority failed";
}

bool TAVDatabase::openLocalDb()
{
    if (!QFile::exists(databasePath()))
        return false;

    dropPool();
    for (int i = 0; i < kPoolSize; ++i) {
        QSqlDatabase db = openConnection(poolName(i), QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.isOpen()) {
            qWarning() << "****open db fail";
            return false;
        }
        TavStatement::enableCache(db.connectionName());
        freeList.append(db);
    }
    return true;
}

void TAVDatabase::dropPool()
{
    freeList.clear();
    for (int i = 0; i < kPoolSize; ++i) {
        TavStatement::dropCache(poolName(i));
        if (QSqlDatabase::contains(poolName(i)))
            removeConnection(poolName(i));
    }
}

QSqlDatabase TAVDatabase::getDbCon()
{
    qDebug() << "get normal dbCon";
    qDebug().noquote() << QStringLiteral("the free size is: ") + QString::number(freeList.size());
    if (freeList.isEmpty()) {
        notify("未有空闲的数据库连接");
        return QSqlDatabase();
    }
    QSqlDatabase db = freeList.takeFirst();
    if (!db.transaction())
        qWarning().noquote() << QStringLiteral("****getDbCon database error: ")
                + TavStatement::errorText(db.lastError());
    return db;
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

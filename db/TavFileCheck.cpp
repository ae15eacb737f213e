#include "TavFileCheck.h"

#include "TavRowCursor.h"
#include "TavSchema.h"
#include "TavStatement.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <QtDebug>

#include <sqlite3.h>

namespace {
const char* const kCheckName = "tavCheck";
const char* const kIndexName = "tavIndex";
const char* const kWaitName = "tavWait";
// How often reset() gives its interrupt again while the worker ends.
const int kInterruptMs = 20;

QSqlDatabase openConnection(const QString& name, const QString& path, const QString& options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QDir::toNativeSeparators(path));
    db.setConnectOptions(options);
    db.open();
    return db;
}

QString busyOption(int ms)
{
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(ms);
}

// SQLite's own check of the file's structure, every page of it: a page damaged between two runs (a bad sector,
// a backup restored over it) shows here and nowhere else before a write lands on it. It reads the whole file,
// seconds once a term's lessons wait for their upload.
QString damage(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return QStringLiteral("quick_check: ") + TavStatement::errorText(query.lastError());
    QStringList answers;
    while (answers.size() < 3 && query.next())
        answers << query.value(0).toString();
    return answers == QStringList(QStringLiteral("ok")) ? QString()
                                                        : QStringLiteral("quick_check: ") + answers.join("; ");
}

} // namespace

bool TavFileCheck::isHeld(const QSqlError& error)
{
    // The driver gives SQLite's extended code; its low byte is the primary one.
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number) & 0xff;
    return number && (code == SQLITE_BUSY || code == SQLITE_LOCKED);
}

QSqlError TavFileCheck::takeReadLock(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select count(*) from sqlite_master")) || !query.next())
        return query.lastError();
    return QSqlError();
}

QString TavFileCheck::readThrough(const QString& path, int run)
{
    QString problem;
    {
        QSqlDatabase db = openConnection(QLatin1String(kCheckName), path,
                                         QStringLiteral("QSQLITE_OPEN_READONLY;") + busyOption(kTryMs));
        setInterruptible(&db);
        bool waited = false;
        for (;;) {
            QSqlError locked;
            if (stopped()) {
                problem = QStringLiteral("stopped");
            } else if (!db.isOpen()) {
                problem = QStringLiteral("it cannot be read: ") + TavStatement::errorText(db.lastError());
            } else if (!db.transaction()) {
                locked = db.lastError();
                problem = QStringLiteral("it cannot be read: ") + TavStatement::errorText(locked);
            } else {
                // The read lock, once taken, lasts until the end of the transaction: the whole read goes on.
                locked = takeReadLock(db);
                problem = locked.type() == QSqlError::NoError
                    ? damage(db)
                    : QStringLiteral("it cannot be read: ") + TavStatement::errorText(locked);
                db.rollback();
            }
            if (!isHeld(locked))
                break;
            if (!waited) {
                qWarning().noquote()
                    << QStringLiteral("****the database file is in use by another program, the read-through waits: ")
                        + TavStatement::errorText(locked);
                postInUse(run, true);
                waited = true;
            }
            if (!pause()) {
                problem = QStringLiteral("stopped");
                break;
            }
        }
        if (waited && !stopped()) {
            qDebug() << "the database file is free again, the read-through went on";
            postInUse(run, false);
        }
        setInterruptible(nullptr);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(kCheckName));
    return problem;
}

// Adds the indexes a file lacks; without them the lesson reads still work, only slower. Building them reads
// every lesson's rows, seconds on a large file of an earlier version.
void TavFileCheck::addIndexes(const QString& path)
{
    {
        QSqlDatabase db = openConnection(QLatin1String(kIndexName), path, busyOption(5000));
        setInterruptible(&db);
        if (db.isOpen())
            TavStatement::runInOneTransaction(db, TavSchema::indexStatements());
        else
            qWarning().noquote() << QStringLiteral("****the indexes are not added: ")
                    + TavStatement::errorText(db.lastError());
        setInterruptible(nullptr);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(kIndexName));
}

// One try: the file can be read and written now, or what stands at the path is for the opening to judge.
bool TavFileCheck::canTake(const QString& path)
{
    if (!QFileInfo::exists(path))
        return true; // SQLite would make a file where none is
    bool held = false;
    {
        QSqlDatabase db = openConnection(QLatin1String(kWaitName), path, busyOption(kTryMs));
        QSqlQuery query(db);
        if (db.isOpen()) {
            // The locks of a write, as the start's write check takes them; nothing is written.
            if (query.exec(QStringLiteral("BEGIN IMMEDIATE")))
                query.exec(QStringLiteral("ROLLBACK"));
            else
                held = isHeld(query.lastError());
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(kWaitName));
    return !held;
}

void TavFileCheck::setInterruptible(const QSqlDatabase* db)
{
    QMutexLocker locker(&m_mutex);
    m_interruptible = nullptr;
    // Only a handle of the SQLite library linked here may be given to it.
    if (!db || !db->isOpen() || !TavRowCursor::driverSharesSqlite(db->driver()))
        return;
    const QVariant handle = db->driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_interruptible = *static_cast<sqlite3* const*>(handle.constData());
    if (m_stop && m_interruptible)
        sqlite3_interrupt(m_interruptible);
}

bool TavFileCheck::stopped() const
{
    QMutexLocker locker(&m_mutex);
    return m_stop;
}

TavFileCheck::TavFileCheck(QObject* parent)
    : QObject(parent)
{
}

TavFileCheck::~TavFileCheck()
{
    reset();
}

bool TavFileCheck::pause()
{
    QMutexLocker locker(&m_mutex);
    if (!m_stop)
        m_wake.wait(&m_mutex, kRetryMs);
    return !m_stop;
}

void TavFileCheck::start(const QString& path)
{
    reset();
    {
        QMutexLocker locker(&m_mutex);
        m_verdict = Verdict::Reading;
        m_stop = false;
    }
    const int run = ++m_run;
    m_pending = true;
    m_thread = QThread::create([this, path, run] {
        QElapsedTimer clock;
        clock.start();
        const QString problem = readThrough(path, run);
        if (stopped()) {
            qDebug() << "the read-through of the database file was stopped";
        } else if (problem.isEmpty()) {
            if (QFileInfo::exists(path)) // SQLite would make a file where none is
                addIndexes(path);
            qDebug().noquote()
                << QStringLiteral("the database file was read through in %1 ms: it is sound").arg(clock.elapsed());
        } else {
            qWarning().noquote() << QStringLiteral("****the database file cannot be used: ") + problem;
        }
        const bool stop = stopped();
        {
            QMutexLocker locker(&m_mutex);
            // Stopped, the read-through has no verdict; whoever waits for one gets none.
            m_verdict = stop ? Verdict::NoFile : problem.isEmpty() ? Verdict::Sound : Verdict::Damaged;
            m_told.wakeAll();
        }
        if (!stop)
            QMetaObject::invokeMethod(
                this, [this, run] { tell(run); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void TavFileCheck::waitUntilFree(const QString& path)
{
    reset();
    {
        QMutexLocker locker(&m_mutex);
        m_stop = false;
    }
    const int run = ++m_run;
    m_thread = QThread::create([this, path, run] {
        bool waited = false;
        while (!canTake(path)) {
            if (!waited) {
                qWarning() << "****the database file is in use by another program, the start waits for it";
                postInUse(run, true);
                waited = true;
            }
            if (!pause())
                return;
        }
        qDebug() << "the database file is free";
        if (waited)
            postInUse(run, false);
        QMetaObject::invokeMethod(
            this, [this, run] { tellFree(run); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void TavFileCheck::reset()
{
    if (m_thread) {
        {
            QMutexLocker locker(&m_mutex);
            m_stop = true;
            m_wake.wakeAll();
        }
        // An exit need not wait for the rest of a large file. SQLite forgets an interrupt that comes before its
        // statement starts, so it is given again until the worker has ended.
        do {
            QMutexLocker locker(&m_mutex);
            if (m_interruptible)
                sqlite3_interrupt(m_interruptible);
        } while (!m_thread->wait(kInterruptMs));
        delete m_thread;
        m_thread = nullptr;
    }
    ++m_run; // a verdict still queued is not told
    m_pending = false;
    QMutexLocker locker(&m_mutex);
    m_verdict = Verdict::NoFile;
}

TavFileCheck::Verdict TavFileCheck::verdict() const
{
    QMutexLocker locker(&m_mutex);
    return m_verdict;
}

bool TavFileCheck::wait()
{
    QMutexLocker locker(&m_mutex);
    if (m_verdict == Verdict::Reading) {
        qDebug() << "waiting for the read-through of the database file";
        while (m_verdict == Verdict::Reading)
            m_told.wait(&m_mutex);
    }
    return m_verdict == Verdict::Sound;
}

void TavFileCheck::tell(int run)
{
    if (run != m_run || !m_pending)
        return;
    m_pending = false;
    emit checked(verdict() == Verdict::Sound);
}

void TavFileCheck::postInUse(int run, bool held)
{
    QMetaObject::invokeMethod(
        this,
        [this, run, held] {
            if (run == m_run)
                emit inUse(held);
        },
        Qt::QueuedConnection);
}

void TavFileCheck::tellFree(int run)
{
    if (run == m_run)
        emit free();
}

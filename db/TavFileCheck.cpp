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

QSqlDatabase openConnection(const QString& name, const QString& path, const QString& options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QDir::toNativeSeparators(path));
    db.setConnectOptions(options);
    db.open();
    return db;
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

QString TavFileCheck::readThrough(const QString& path)
{
    QString problem;
    {
        QSqlDatabase db = openConnection(QLatin1String(kCheckName), path,
                                         QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        setInterruptible(&db);
        if (stopped())
            problem = QStringLiteral("stopped");
        else if (db.isOpen())
            problem = damage(db);
        else
            problem = QStringLiteral("it cannot be read: ") + TavStatement::errorText(db.lastError());
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
        QSqlDatabase db = openConnection(QLatin1String(kIndexName), path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
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
        const QString problem = readThrough(path);
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
        {
            QMutexLocker locker(&m_mutex);
            m_verdict = problem.isEmpty() ? Verdict::Sound : Verdict::Damaged;
            m_told.wakeAll();
        }
        QMetaObject::invokeMethod(
            this, [this, run] { tell(run); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void TavFileCheck::reset()
{
    if (m_thread) {
        {
            // An exit need not wait for the rest of a large file.
            QMutexLocker locker(&m_mutex);
            m_stop = true;
            if (m_interruptible)
                sqlite3_interrupt(m_interruptible);
        }
        m_thread->wait();
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

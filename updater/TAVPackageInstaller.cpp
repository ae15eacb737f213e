#include "TAVPackageInstaller.h"

#include "ZUTAVUpdate.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {

// The database, SQLite's files beside it, and the record of the writes it could not take yet.
const char* const kKeptFiles[]
    = { "TAVSqlite.db", "TAVSqlite.db-journal", "TAVSqlite.db-wal", "TAVSqlite.db-shm", "TAVSqlite.db.pending" };
const char* const kKeptFolders[] = { "conf", "ErrorLog", "Thumbnails", "PaperData" };

} // namespace

TAVPackageInstaller::TAVPackageInstaller(QObject* parent)
    : QObject(parent)
{
}

TAVPackageInstaller::~TAVPackageInstaller()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

QString TAVPackageInstaller::refusal(const QString& relativePath)
{
    // Compared as Windows compares names: "conf" and "CONF" are one folder there.
    const QString first = relativePath.section(QLatin1Char('/'), 0, 0);
    for (const char* folder : kKeptFolders) {
        if (first.compare(QLatin1String(folder), Qt::CaseInsensitive) == 0)
            return QStringLiteral("\"%1\" lies in the folder \"%2\" the package may not replace")
                .arg(relativePath, first);
    }
    for (const char* file : kKeptFiles) {
        if (relativePath.compare(QLatin1String(file), Qt::CaseInsensitive) == 0
            || relativePath.startsWith(QLatin1String(file) + QStringLiteral(".set-aside-"), Qt::CaseInsensitive))
            return QStringLiteral("\"%1\" would replace the database").arg(relativePath);
    }
    return QString();
}

TAVPackageInstaller::Recovery TAVPackageInstaller::recoverUnfinished(const QString& programDir)
{
    TAVPackageInstaller installer;
    QString error;
    if (installer.recover(programDir, &error))
        return Recovery::InOrder;
    qWarning() << "****an update that was cut off could not be put in order:" << error;
    return installer.recoveryFailure();
}

bool TAVPackageInstaller::recover(const QString& programDir, QString* error)
{
    m_programDir = programDir;
    m_record = Record::Done;
    m_setAside = false;
    const QDir dir(programDir);
    const bool cutOff = Lib7z::installWasCutOff(programDir);
    if (!Lib7z::recoverInstall(programDir, this, error))
        return false;
    // A package whose install was cut off before its journal was written is of no use either: the next update
    // downloads its own. Beside a journal set aside nothing is touched.
    for (const QString& name : dir.entryList({ QStringLiteral("TAVUpdate*.7z") }, QDir::Files | QDir::Hidden)) {
        if (cutOff && !m_setAside)
            QFile::remove(dir.filePath(name));
    }
    return true;
}

TAVPackageInstaller::Recovery TAVPackageInstaller::recoveryFailure() const
{
    switch (m_record) {
    case Record::InUse:
        return Recovery::DatabaseInUse;
    case Record::DiskFull:
        return Recovery::DiskFull;
    default:
        return Recovery::NotInOrder;
    }
}

TAVPackageInstaller::Record TAVPackageInstaller::recordVersion(const QString& programDir, const QString& version)
{
    // Opening a missing file through the driver would create an empty one, which the main program would then
    // take for its database.
    const QString path = QDir::toNativeSeparators(programDir + "/TAVSqlite.db");
    if (!QFileInfo(path).isFile())
        return Record::NoPlace;
    // A connection of its own: this may run in the installer's thread.
    const QString name = QStringLiteral("TAVPackageInstaller-%1").arg(quintptr(QThread::currentThreadId()));
    Record record = Record::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.setUserName("admin");
        db.setPassword("qx7dorn#");
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        const QString sql = QStringLiteral("UPDATE TAV_AppInfo SET version = ? WHERE appID = ?");
        QSqlError failure;
        if (db.open()) {
            // Reading the schema to prepare waits for the file as the statement does.
            QSqlQuery query(db);
            if (query.prepare(sql)) {
                query.addBindValue(version);
                query.addBindValue(QStringLiteral("0"));
                if (query.exec())
                    record = query.numRowsAffected() > 0 ? Record::Done : Record::NoPlace;
            }
            if (record == Record::Failed)
                failure = query.lastError();
        } else {
            failure = db.lastError();
        }
        if (failure.isValid()) {
            // The primary result code of SQLite: busy, locked and full pass; anything else stays.
            const int code = failure.nativeErrorCode().toInt() & 0xff;
            record = code == 5 || code == 6 ? Record::InUse : code == 13 ? Record::DiskFull : Record::Failed;
            qWarning() << "****database error: " << failure.text();
            qWarning() << "****the sql is: " << sql;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return record;
}

void TAVPackageInstaller::start(const QString& archivePath, const QString& programDir)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, archivePath, programDir] {
        m_error.clear();
        m_installed = install(archivePath, programDir, &m_error);
    });
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->wait(); // finished() comes just before the thread has ended
        delete m_thread;
        m_thread = nullptr;
        emit finished(m_installed, m_error);
    });
    m_thread->start();
}

bool TAVPackageInstaller::isRunning() const
{
    return m_thread != nullptr;
}

bool TAVPackageInstaller::install(const QString& archivePath, const QString& programDir, QString* error)
{
    m_programDir = programDir;
    // Whatever arrived that is not a package we can unpack (an empty body, an error page served as the package,
    // a damaged archive) fails the same way.
    QFile archive(archivePath);
    if (!archive.open(QIODevice::ReadOnly)) {
        *error = archive.errorString();
        return false;
    }
    if (!Lib7z::isSupportedArchive(&archive)) {
        *error = QStringLiteral("the package is no 7z archive");
        return false;
    }
    return Lib7z::extractArchive(&archive, programDir, this, error);
}

bool TAVPackageInstaller::acceptEntries(const QVector<Lib7z::Entry>& entries, QString* reason)
{
    bool holdsFile = false;
    for (const Lib7z::Entry& entry : entries) {
        const QString refused = refusal(entry.relativePath);
        if (!refused.isEmpty()) {
            *reason = refused;
            return false;
        }
        holdsFile = holdsFile || !entry.isDirectory;
    }
    if (!holdsFile)
        *reason = QStringLiteral("the package holds no file");
    return holdsFile;
}

void TAVPackageInstaller::unpacked(qint64 bytes, qint64 totalBytes)
{
    emit progress(bytes, totalBytes);
}

QString TAVPackageInstaller::journalNote() const
{
    return m_version;
}

bool TAVPackageInstaller::settled(const QString& note, bool installed)
{
    // The note is the version: the database follows the folder, and the package is not needed either way.
    if (note.isEmpty() || !ZUTAVUpdate::isSafeVersion(note))
        return true;
    m_record = installed ? recordVersion(m_programDir, note) : Record::Done;
    QFile::remove(m_programDir + "/TAVUpdate" + note + ".7z");
    if (m_record == Record::InUse || m_record == Record::DiskFull) {
        qWarning() << "****the new version" << note << "is installed but not recorded yet: the next start records it";
        return false;
    }
    if (m_record != Record::Done)
        qWarning() << "****the new version was not recorded:" << note;
    qDebug() << "the update to" << note << (installed ? "is installed" : "was taken back");
    return true;
}

void TAVPackageInstaller::journalSetAside(const QString& keptAs, const QString& reason)
{
    m_setAside = true;
    qWarning().noquote() << "****the journal of an earlier update breaks the rules of an install and was set aside, "
                            "untouched, as"
                         << QDir(m_programDir).filePath(keptAs) + ":" << reason;
}

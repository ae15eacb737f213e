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

const char* const kKeptFiles[] = { "TAVSqlite.db", "TAVSqlite.db-journal", "TAVSqlite.db-wal", "TAVSqlite.db-shm" };
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
        if (relativePath.compare(QLatin1String(file), Qt::CaseInsensitive) == 0)
            return QStringLiteral("\"%1\" would replace the database").arg(relativePath);
    }
    return QString();
}

bool TAVPackageInstaller::recoverUnfinished(const QString& programDir)
{
    TAVPackageInstaller installer;
    QString error;
    if (!installer.recover(programDir, &error)) {
        qWarning() << "****an update that was cut off could not be put in order:" << error;
        return false;
    }
    return true;
}

bool TAVPackageInstaller::recover(const QString& programDir, QString* error)
{
    m_programDir = programDir;
    const QDir dir(programDir);
    const bool cutOff = !dir.entryList({ QStringLiteral(".lib7z-*") }, QDir::AllEntries | QDir::Hidden).isEmpty();
    if (!Lib7z::recoverInstall(programDir, this, error))
        return false;
    // A package whose install was cut off before its journal was written is of no use either: the next update
    // downloads its own.
    for (const QString& name : dir.entryList({ QStringLiteral("TAVUpdate*.7z") }, QDir::Files | QDir::Hidden)) {
        if (cutOff)
            QFile::remove(dir.filePath(name));
    }
    return true;
}

bool TAVPackageInstaller::recordVersion(const QString& programDir, const QString& version)
{
    // Opening a missing file through the driver would create an empty one, which the main program would then
    // take for its database.
    const QString path = QDir::toNativeSeparators(programDir + "/TAVSqlite.db");
    if (!QFileInfo(path).isFile())
        return false;
    // A connection of its own: this may run in the installer's thread.
    const QString name = QStringLiteral("TAVPackageInstaller-%1").arg(quintptr(QThread::currentThreadId()));
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.setUserName("admin");
        db.setPassword("qx7dorn#");
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        const QString sql = QStringLiteral("UPDATE TAV_AppInfo SET version = ? WHERE appID = ?");
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(sql);
            query.addBindValue(version);
            query.addBindValue(QStringLiteral("0"));
            done = query.exec() && query.numRowsAffected() > 0;
            if (!done) {
                qWarning() << "****database error: " << query.lastError().text();
                qWarning() << "****the sql is: " << sql;
            }
        } else {
            qWarning() << "****database error: " << db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
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

void TAVPackageInstaller::settled(const QString& note, bool installed)
{
    // The note is the version: the database follows the folder, and the package is not needed either way.
    if (note.isEmpty() || !ZUTAVUpdate::isSafeVersion(note))
        return;
    if (installed && !recordVersion(m_programDir, note))
        qWarning() << "****the new version was not recorded:" << note;
    QFile::remove(m_programDir + "/TAVUpdate" + note + ".7z");
    qDebug() << "the update to" << note << (installed ? "is installed" : "was taken back");
}

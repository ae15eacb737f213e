#include "TAVPackageInstaller.h"

#include <QFile>
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

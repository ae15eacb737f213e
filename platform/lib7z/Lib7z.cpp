#include "Lib7z.h"

#include "ArchiveEntryName.h"
#include "InstallJournal.h"
#include "InstallPathRule.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QVector>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <langinfo.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char kSignature[] = { '7', 'z', '\xBC', '\xAF', '\x27', '\x1C' };
const qint64 kBlockSize = 64 * 1024;

using Lib7z::Entry;

struct DeviceSource
{
    QFileDevice* device = nullptr;
    QByteArray buffer;
};

la_ssize_t readDevice(archive* a, void* data, const void** block)
{
    auto* source = static_cast<DeviceSource*>(data);
    source->buffer.resize(kBlockSize);
    const qint64 n = source->device->read(source->buffer.data(), kBlockSize);
    if (n < 0) {
        archive_set_error(a, EIO, "%s", source->device->errorString().toUtf8().constData());
        return -1;
    }
    *block = source->buffer.constData();
    return static_cast<la_ssize_t>(n);
}

la_int64_t seekDevice(archive*, void* data, la_int64_t offset, int whence)
{
    QFileDevice* device = static_cast<DeviceSource*>(data)->device;
    qint64 position = offset;
    if (whence == SEEK_CUR)
        position += device->pos();
    else if (whence == SEEK_END)
        position += device->size();
    if (position < 0 || !device->seek(position))
        return ARCHIVE_FATAL;
    return position;
}

la_int64_t skipDevice(archive*, void* data, la_int64_t request)
{
    QFileDevice* device = static_cast<DeviceSource*>(data)->device;
    const qint64 from = device->pos();
    const qint64 to = qMin(from + request, device->size());
    if (to < from || !device->seek(to))
        return 0;
    return to - from;
}

// One libarchive read handle over the device, from its first byte.
class Reader
{
public:
    explicit Reader(QFileDevice* device) { m_source.device = device; }
    ~Reader()
    {
        if (m_archive)
            archive_read_free(m_archive);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool open(QString* error)
    {
        if (!m_source.device->seek(0)) {
            *error = QStringLiteral("Cannot rewind the archive: %1").arg(m_source.device->errorString());
            return false;
        }
        m_archive = archive_read_new();
        if (!m_archive) {
            *error = QStringLiteral("Out of memory");
            return false;
        }
        if (archive_read_support_format_7zip(m_archive) != ARCHIVE_OK
            || archive_read_set_read_callback(m_archive, readDevice) != ARCHIVE_OK
            || archive_read_set_seek_callback(m_archive, seekDevice) != ARCHIVE_OK
            || archive_read_set_skip_callback(m_archive, skipDevice) != ARCHIVE_OK
            || archive_read_set_callback_data(m_archive, &m_source) != ARCHIVE_OK
            || archive_read_open1(m_archive) != ARCHIVE_OK) {
            *error = QStringLiteral("Cannot open the archive: %1").arg(lastError());
            return false;
        }
        return true;
    }

    // 1: an acceptable entry was read; 0: no more entries; -1: error (the whole extraction fails).
    int next(Entry& entry, QString* error)
    {
        archive_entry* header = nullptr;
        const int r = archive_read_next_header(m_archive, &header);
        if (r == ARCHIVE_EOF)
            return 0;
        // A warning here means a name lost in the charset conversion, among others: refused too.
        if (r != ARCHIVE_OK) {
            *error = QStringLiteral("Cannot read an entry header: %1").arg(lastError());
            return -1;
        }
        const char* utf8 = archive_entry_pathname_utf8(header);
        const QString name = utf8 ? QString::fromUtf8(utf8) : QString();
        if (name.isEmpty()) {
            *error = QStringLiteral("An entry of the archive has no name");
            return -1;
        }
        if (archive_entry_is_encrypted(header)) {
            *error = QStringLiteral("Entry \"%1\" is encrypted").arg(name);
            return -1;
        }
        const auto type = archive_entry_filetype(header);
        if (archive_entry_hardlink(header) || archive_entry_symlink(header) || (type != AE_IFREG && type != AE_IFDIR)) {
            *error = QStringLiteral("Entry \"%1\" is neither a file nor a folder").arg(name);
            return -1;
        }
        entry.relativePath = ArchiveEntryName::relativePath(name);
        if (entry.relativePath.isEmpty()) {
            *error = QStringLiteral("Entry \"%1\" points outside the target folder").arg(name);
            return -1;
        }
        entry.isDirectory = type == AE_IFDIR;
        entry.executable = (archive_entry_perm(header) & 0111) != 0;
        entry.size = entry.isDirectory ? 0 : archive_entry_size(header);
        if (!entry.isDirectory && (!archive_entry_size_is_set(header) || entry.size < 0)) {
            *error = QStringLiteral("Entry \"%1\" gives no size").arg(name);
            return -1;
        }
        return 1;
    }

    bool skipData(QString* error)
    {
        if (archive_read_data_skip(m_archive) != ARCHIVE_OK) {
            *error = QStringLiteral("Cannot skip an entry: %1").arg(lastError());
            return false;
        }
        return true;
    }

    // Writes no more than the header announced, so that the checked total holds.
    bool copyData(QFile& out, qint64 announced, const std::function<void(qint64)>& written, QString* error)
    {
        for (;;) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            const int r = archive_read_data_block(m_archive, &block, &size, &offset);
            if (r == ARCHIVE_EOF)
                return true;
            // A CRC mismatch comes back as a warning: the data is damaged.
            if (r != ARCHIVE_OK) {
                *error = QStringLiteral("Cannot unpack \"%1\": %2").arg(out.fileName(), lastError());
                return false;
            }
            if (offset < 0 || offset > announced || qint64(size) > announced - offset) {
                *error = QStringLiteral("\"%1\" unpacks to more than its announced size").arg(out.fileName());
                return false;
            }
            if ((offset != out.pos() && !out.seek(offset))
                || (size > 0 && out.write(static_cast<const char*>(block), qint64(size)) != qint64(size))) {
                *error = QStringLiteral("Cannot write \"%1\": %2").arg(out.fileName(), out.errorString());
                return false;
            }
            written(qint64(size));
        }
    }

private:
    QString lastError() const
    {
        const char* text = archive_error_string(m_archive);
        return text ? QString::fromUtf8(text) : QStringLiteral("unknown libarchive error");
    }

    DeviceSource m_source;
    archive* m_archive = nullptr;
};

// Every entry may only go where every existing step is a real folder and the end, if it exists, has the entry's
// kind, and never onto a name the install keeps for itself.
bool checkDestinations(const QString& target, const QVector<Entry>& entries, QString* error)
{
    QSet<QString> realFolders;
    for (const Entry& entry : entries) {
        if (InstallPathRule::isOwnName(entry.relativePath)) {
            *error = QStringLiteral("\"%1\" bears a name the install keeps for itself").arg(entry.relativePath);
            return false;
        }
        const QString refused = InstallPathRule::refusal(target, entry.relativePath, entry.isDirectory, &realFolders);
        if (!refused.isEmpty()) {
            *error = refused;
            return false;
        }
    }
    return true;
}

// The install's rule for what it writes below the target, the caller's own among it. A recovery holds what a
// journal names to it too.
bool checkEntries(const QString& target, const QVector<Entry>& entries, Lib7z::ExtractCallback* callback,
                  QString* error)
{
    if (!checkDestinations(target, entries, error))
        return false;
    if (callback && !callback->acceptEntries(entries, error)) {
        if (error->isEmpty())
            *error = QStringLiteral("The entries were refused");
        return false;
    }
    return true;
}

// Tells the callback about the unpacked bytes each time another hundredth of the total is done.
class ProgressReport
{
public:
    ProgressReport(Lib7z::ExtractCallback* callback, qint64 totalBytes)
        : m_callback(callback)
        , m_total(totalBytes)
    {
        if (m_callback)
            m_callback->unpacked(0, m_total);
    }

    void add(qint64 bytes)
    {
        m_done += bytes;
        const qint64 hundredth = m_total > 0 ? m_done * 100 / m_total : 100;
        if (m_callback && hundredth != m_reported) {
            m_reported = hundredth;
            m_callback->unpacked(m_done, m_total);
        }
    }

private:
    Lib7z::ExtractCallback* m_callback;
    qint64 m_total;
    qint64 m_done = 0;
    qint64 m_reported = 0;
};

bool stage(QFileDevice* archive, const QVector<Entry>& entries, const QString& target, const QString& staging,
           ProgressReport& progress, QString* error)
{
    Reader reader(archive);
    if (!reader.open(error))
        return false;
    const QDir stagingDir(staging);
    for (const Entry& expected : entries) {
        Entry entry;
        const int r = reader.next(entry, error);
        if (r < 0)
            return false;
        if (r == 0 || entry.relativePath != expected.relativePath || entry.isDirectory != expected.isDirectory
            || entry.size != expected.size) {
            *error = QStringLiteral("The archive changed while it was unpacked");
            return false;
        }
        const QString path = staging + QLatin1Char('/') + entry.relativePath;
        if (entry.isDirectory) {
            if (!stagingDir.mkpath(entry.relativePath)) {
                *error = QStringLiteral("Cannot create the folder \"%1\"").arg(path);
                return false;
            }
            if (!reader.skipData(error))
                return false;
            continue;
        }
        if (!stagingDir.mkpath(QFileInfo(entry.relativePath).path())) {
            *error = QStringLiteral("Cannot create the folder of \"%1\"").arg(path);
            return false;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("Cannot create \"%1\": %2").arg(path, out.errorString());
            return false;
        }
        if (!reader.copyData(
                out, expected.size, [&progress](qint64 bytes) { progress.add(bytes); }, error))
            return false;
        out.close();
        if (out.error() != QFileDevice::NoError) {
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, out.errorString());
            return false;
        }
        // Packages made on Windows carry no mode: a program being replaced stays executable.
        const QFileInfo current(target + QLatin1Char('/') + entry.relativePath);
        const bool executable = expected.executable || (current.isFile() && current.isExecutable());
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
            | QFile::ReadGroup | QFile::ReadOther;
        if (executable)
            permissions |= QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
        if (!out.setPermissions(permissions)) {
            *error = QStringLiteral("Cannot set the permissions of \"%1\"").arg(path);
            return false;
        }
    }
    Entry extra;
    const int r = reader.next(extra, error);
    if (r != 0) {
        if (r > 0)
            *error = QStringLiteral("The archive changed while it was unpacked");
        return false;
    }
    return true;
}

// Holds the target folder against every other install and recovery, in this process or another, until it goes
// out of scope; the system lets it go when the process dies.
class FolderLock
{
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        int r = -1;
        while (m_fd >= 0 && (r = ::flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) { }
        if (m_fd >= 0 && r != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Every folder the entries need that does not exist yet, parents first.
QStringList missingFolders(const QVector<Entry>& entries, const QString& target)
{
    QStringList folders;
    QSet<QString> seen;
    for (const Entry& entry : entries) {
        const QString folder = entry.isDirectory ? entry.relativePath : QFileInfo(entry.relativePath).path();
        QString path;
        for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (part == QLatin1String("."))
                continue;
            path += (path.isEmpty() ? QString() : QStringLiteral("/")) + part;
            if (seen.contains(path))
                continue;
            seen.insert(path);
            if (!QFileInfo(target + QLatin1Char('/') + path).isDir())
                folders.append(path);
        }
    }
    return folders;
}

// After a failure part-way: every replaced file back, or, if that fails, the journal kept for the next start.
bool undo(InstallJournal& journal, Lib7z::ExtractCallback* callback, QString* error)
{
    QString undoError;
    const auto restored = [callback](const QString& path) {
        if (callback)
            callback->fileRestored(path);
    };
    if (!journal.rollBack(restored, &undoError)) {
        *error += QStringLiteral("; the installation could not be put back yet (%1), that is done at the next start")
                      .arg(undoError);
        return false;
    }
    // What follows the folder is brought along by a later recovery when it cannot be now.
    if (!callback || callback->settled(journal.note(), false))
        journal.finish(&undoError);
    return false;
}

// Renames replace the directory entry, so a running program keeps its old file until it ends. The journal on disk
// lets a failure part-way, or a kill, put back every file replaced so far.
bool install(const QVector<Entry>& entries, const QString& target, QTemporaryDir& staging,
             Lib7z::ExtractCallback* callback, QString* error)
{
    QTemporaryDir backups(target + QStringLiteral("/.lib7z-backup-XXXXXX"));
    if (!backups.isValid()) {
        *error = QStringLiteral("Cannot create a backup folder in \"%1\": %2").arg(target, backups.errorString());
        return false;
    }
    QStringList files;
    QSet<QString> done;
    for (const Entry& entry : entries) {
        if (!entry.isDirectory && !done.contains(entry.relativePath))
            files.append(entry.relativePath);
        done.insert(entry.relativePath);
    }
    InstallJournal journal(target);
    const QString note = callback ? callback->journalNote() : QString();
    const bool begun
        = journal.begin(staging.path(), backups.path(), missingFolders(entries, target), files, note, error);
    if (journal.phase() == InstallJournal::None)
        return false;
    // From here the journal owns both folders.
    staging.setAutoRemove(false);
    backups.setAutoRemove(false);
    if (!begun)
        return undo(journal, callback, error);
    int placed = 0;
    for (const Entry& entry : entries) {
        if (entry.isDirectory) {
            if (!journal.makeFolder(entry.relativePath, error))
                return undo(journal, callback, error);
            continue;
        }
        if (placed == files.size() || files.at(placed) != entry.relativePath)
            continue; // a name the archive holds twice goes in once
        if (!journal.placeFile(placed, error))
            return undo(journal, callback, error);
        if (callback)
            callback->fileInstalled(entry.relativePath);
        ++placed;
    }
    if (!journal.commit(error))
        return undo(journal, callback, error);
    // The install stands. The journal stays until what the caller keeps beside the folder has followed; that, and
    // what could not be cleared away now, a recovery at the next start does.
    if (!callback || callback->settled(note, true)) {
        QString cleanUpError;
        journal.finish(&cleanUpError);
    }
    return true;
}

// Refuses before anything is written what would fill the disk or go beyond the limits.
bool checkSize(const QString& target, qint64 totalBytes, const Lib7z::Limits& limits, QString* error)
{
    if (totalBytes > limits.maxBytes) {
        *error = QStringLiteral("The archive unpacks to %1 bytes, more than %2").arg(totalBytes).arg(limits.maxBytes);
        return false;
    }
    const qint64 room = QStorageInfo(target).bytesAvailable() - limits.spareBytes;
    if (totalBytes > room) {
        *error = QStringLiteral("The archive unpacks to %1 bytes; the disk of \"%2\" has room for %3")
                     .arg(totalBytes)
                     .arg(target)
                     .arg(qMax<qint64>(room, 0));
        return false;
    }
    return true;
}

// A journal names only what its install could have written, by the install's own rule, and keeps its staging and
// backup files in real folders of its own: else a recovery could be led to move or delete what no install may
// touch (the teacher's data, or files outside the target through a link).
bool keepsTheRules(const InstallJournal& journal, const QString& target, Lib7z::ExtractCallback* callback,
                   QString* error)
{
    if (journal.phase() == InstallJournal::None)
        return true;
    QVector<Entry> entries;
    for (const QString& folder : journal.folders())
        entries.append({ folder, true, false, 0 });
    for (const QString& file : journal.files())
        entries.append({ file, false, false, 0 });
    return checkEntries(target, entries, callback, error) && journal.checkOwnFolders(error);
}

} // namespace

namespace Lib7z {

void init()
{
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && (qstricmp(codeset, "UTF-8") == 0 || qstricmp(codeset, "utf8") == 0))
        return;
    if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
        std::setlocale(LC_CTYPE, "en_US.UTF-8");
}

bool isSupportedArchive(QFileDevice* archive)
{
    if (!archive || !archive->isOpen() || !archive->isReadable() || archive->isSequential() || !archive->seek(0))
        return false;
    char head[sizeof(kSignature)];
    const bool signed7z
        = archive->read(head, sizeof(head)) == qint64(sizeof(head)) && std::memcmp(head, kSignature, sizeof(head)) == 0;
    return archive->seek(0) && signed7z;
}

bool ExtractCallback::acceptEntries(const QVector<Entry>&, QString*)
{
    return true;
}

void ExtractCallback::unpacked(qint64, qint64) { }

void ExtractCallback::fileInstalled(const QString&) { }

QString ExtractCallback::journalNote() const
{
    return QString();
}

bool ExtractCallback::settled(const QString&, bool)
{
    return true;
}

void ExtractCallback::fileRestored(const QString&) { }

void ExtractCallback::journalSetAside(const QString&, const QString&) { }

bool extractArchive(QFileDevice* archive, const QString& targetDirectory, ExtractCallback* callback, QString* errorText,
                    const Limits& limits)
{
    QString localError;
    QString* error = errorText ? errorText : &localError;
    error->clear();
    if (!archive || !archive->isOpen() || !archive->isReadable() || archive->isSequential()) {
        *error = QStringLiteral("The archive is not open for reading");
        return false;
    }
    const QString target = QFileInfo(targetDirectory).canonicalFilePath();
    if (target.isEmpty() || !QFileInfo(target).isDir()) {
        *error = QStringLiteral("The target folder \"%1\" does not exist").arg(targetDirectory);
        return false;
    }
    const FolderLock lock(target);
    InstallJournal earlier(target);
    if (!lock.isHeld() || !earlier.load(error) || earlier.phase() != InstallJournal::None) {
        if (error->isEmpty())
            *error = QStringLiteral("An earlier install in \"%1\" is not finished").arg(target);
        return false;
    }

    // Every entry is read and judged before anything is written.
    QVector<Entry> entries;
    qint64 totalBytes = 0;
    {
        Reader reader(archive);
        if (!reader.open(error))
            return false;
        for (;;) {
            Entry entry;
            const int r = reader.next(entry, error);
            if (r < 0)
                return false;
            if (r == 0)
                break;
            if (entries.size() >= limits.maxEntries) {
                *error = QStringLiteral("The archive holds more than %1 entries").arg(limits.maxEntries);
                return false;
            }
            totalBytes += entry.size;
            if (totalBytes > limits.maxBytes) {
                *error = QStringLiteral("The archive unpacks to more than %1 bytes").arg(limits.maxBytes);
                return false;
            }
            if (!reader.skipData(error))
                return false;
            entries.append(entry);
        }
    }
    if (!checkEntries(target, entries, callback, error))
        return false;
    if (!checkSize(target, totalBytes, limits, error))
        return false;

    // A damaged body is found while staging, before any file of the installation is touched.
    QTemporaryDir staging(target + QStringLiteral("/.lib7z-staging-XXXXXX"));
    if (!staging.isValid()) {
        *error = QStringLiteral("Cannot create a staging folder in \"%1\": %2").arg(target, staging.errorString());
        return false;
    }
    ProgressReport progress(callback, totalBytes);
    if (!stage(archive, entries, target, staging.path(), progress, error) || !checkDestinations(target, entries, error))
        return false;
    return install(entries, target, staging, callback, error);
}

bool recoverInstall(const QString& targetDirectory, ExtractCallback* callback, QString* errorText)
{
    QString localError;
    QString* error = errorText ? errorText : &localError;
    error->clear();
    const QString target = QFileInfo(targetDirectory).canonicalFilePath();
    if (target.isEmpty() || !InstallJournal::leftoversIn(target))
        return true;
    const FolderLock lock(target);
    if (!lock.isHeld()) {
        *error = QStringLiteral("Cannot lock \"%1\"").arg(target);
        return false;
    }
    InstallJournal journal(target);
    QString broken;
    if (!journal.load(&broken) || !keepsTheRules(journal, target, callback, &broken)) {
        QString keptAs;
        if (!journal.setAside(&keptAs, error))
            return false;
        if (callback)
            callback->journalSetAside(keptAs, broken);
        return InstallJournal::removeOrphans(target, error);
    }
    if (journal.phase() == InstallJournal::Installing) {
        const auto restored = [callback](const QString& path) {
            if (callback)
                callback->fileRestored(path);
        };
        if (!journal.rollBack(restored, error))
            return false;
    }
    if (journal.phase() != InstallJournal::None) {
        if (callback && !callback->settled(journal.note(), journal.phase() == InstallJournal::Committed)) {
            *error = QStringLiteral("The folder \"%1\" holds one whole version, but what follows it could not be "
                                    "brought along yet")
                         .arg(target);
            return false;
        }
        if (!journal.finish(error))
            return false;
    }
    return InstallJournal::removeOrphans(target, error);
}

bool installWasCutOff(const QString& targetDirectory)
{
    return InstallJournal::leftoversIn(targetDirectory);
}

} // namespace Lib7z

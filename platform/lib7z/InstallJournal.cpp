#include "InstallJournal.h"

#include "ArchiveEntryName.h"
#include "InstallPathRule.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kHeader[] = "lib7z-install 1";
const char kEnd[] = "end";
const char kCommitted[] = "committed";
const char kRolledBack[] = "rolled-back";
const char kStagingPrefix[] = ".lib7z-staging-";
const char kBackupPrefix[] = ".lib7z-backup-";
const char kSetAsideInfix[] = ".set-aside-";

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, qt_error_string(errno));
}

bool standsThere(const QString& path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// The kind of what stands at path itself, a link not followed: S_IFREG, S_IFDIR, S_IFLNK..., or 0 when nothing does.
mode_t kindAt(const QString& path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

int removeStep(const char* path, const struct stat*, int type, struct FTW*)
{
    return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
}

// Removes path and, if it is a real folder, everything below it, on its own disk only. A symbolic link, at the top
// or below, is removed itself and never followed.
bool removeTree(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    const mode_t kind = kindAt(path);
    if (kind == 0)
        return true;
    const int r = kind == S_IFDIR ? ::nftw(name.constData(), removeStep, 16, FTW_PHYS | FTW_DEPTH | FTW_MOUNT)
                                  : ::unlink(name.constData());
    if (r != 0 && standsThere(path)) {
        *error = systemError(QStringLiteral("Cannot remove \"%1\"").arg(path));
        return false;
    }
    return true;
}

bool move(const QString& from, const QString& to, QString* error)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = systemError(QStringLiteral("Cannot move \"%1\" to \"%2\"").arg(from, to));
    return false;
}

bool syncPath(const QString& path, QString* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (!synced)
        *error = systemError(QStringLiteral("Cannot sync \"%1\"").arg(path));
    if (fd >= 0)
        ::close(fd);
    return synced;
}

// One call flushes every staged file and every rename on the target's disk, where a file-by-file sync of a
// few thousand files would cost seconds.
bool syncDisk(const QString& target, QString* error)
{
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    if (!synced)
        *error = systemError(QStringLiteral("Cannot sync the disk of \"%1\"").arg(target));
    if (fd >= 0)
        ::close(fd);
    return synced;
}

QByteArray encoded(const char* key, const QString& value)
{
    return QByteArray(key) + ' ' + QUrl::toPercentEncoding(value) + '\n';
}

bool isOwnFolderName(const QString& name, const char* prefix)
{
    return name.startsWith(QLatin1String(prefix)) && name.size() > int(qstrlen(prefix))
        && !name.contains(QLatin1Char('/'));
}

bool isRelativePath(const QString& path)
{
    return !path.isEmpty() && ArchiveEntryName::relativePath(path) == path;
}

} // namespace

InstallJournal::InstallJournal(const QString& target)
    : m_target(target)
{
}

QString InstallJournal::fileName()
{
    return QStringLiteral(".lib7z-journal");
}

bool InstallJournal::leftoversIn(const QString& target)
{
    const QStringList names = QDir(target).entryList({ InstallPathRule::ownPrefix() + QLatin1Char('*') },
                                                     QDir::AllEntries | QDir::Hidden | QDir::System);
    // Beside a journal set aside, the staging and backup folders are the administrator's.
    const QString setAside = fileName() + QLatin1String(kSetAsideInfix);
    const bool kept
        = std::any_of(names.begin(), names.end(), [&](const QString& name) { return name.startsWith(setAside); });
    return std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return kept ? name == fileName() || name == fileName() + QStringLiteral(".new") : true;
    });
}

QString InstallJournal::journalPath() const
{
    return m_target + QLatin1Char('/') + fileName();
}

QString InstallJournal::destination(int index) const
{
    return m_target + QLatin1Char('/') + m_files.at(index);
}

QString InstallJournal::staged(int index) const
{
    return m_target + QLatin1Char('/') + m_staging + QLatin1Char('/') + m_files.at(index);
}

QString InstallJournal::backup(int index) const
{
    return m_target + QLatin1Char('/') + m_backup + QLatin1Char('/') + QString::number(index);
}

bool InstallJournal::load(QString* error)
{
    m_phase = None;
    m_staging.clear();
    m_backup.clear();
    m_note.clear();
    m_folders.clear();
    m_files.clear();
    QFile file(journalPath());
    const mode_t kind = kindAt(file.fileName());
    if (kind == 0)
        return true;
    // A link would take the recovery's reads and writes elsewhere.
    if (kind != S_IFREG) {
        *error = QStringLiteral("The install journal \"%1\" is no plain file").arg(file.fileName());
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read \"%1\": %2").arg(file.fileName(), file.errorString());
        return false;
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast(); // a line cut off by a power loss counts as never written
    const auto refuse = [&] {
        *error = QStringLiteral("The install journal \"%1\" is damaged").arg(file.fileName());
        return false;
    };
    if (lines.isEmpty() || lines.first() != kHeader)
        return refuse();
    bool ended = false;
    Phase phase = Installing;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (ended) {
            if (line == kCommitted)
                phase = Committed;
            else if (line == kRolledBack)
                phase = RolledBack;
            else
                return refuse();
            continue;
        }
        if (line == kEnd) {
            ended = true;
            continue;
        }
        const int space = line.indexOf(' ');
        const QByteArray key = line.left(space);
        const QString value = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(space + 1)));
        if (space < 0)
            return refuse();
        if (key == "staging" && isOwnFolderName(value, kStagingPrefix))
            m_staging = value;
        else if (key == "backup" && isOwnFolderName(value, kBackupPrefix))
            m_backup = value;
        else if (key == "note")
            m_note = value;
        else if (key == "folder" && isRelativePath(value))
            m_folders.append(value);
        else if (key == "file" && isRelativePath(value))
            m_files.append(value);
        else
            return refuse();
    }
    if (!ended || m_staging.isEmpty() || m_backup.isEmpty())
        return refuse();
    m_phase = phase;
    return true;
}

bool InstallJournal::checkOwnFolders(QString* error) const
{
    for (const QString& folder : { m_staging, m_backup }) {
        const QString path = m_target + QLatin1Char('/') + folder;
        const mode_t kind = kindAt(path);
        // Both stand until the install is settled; then finish() may have removed one before a kill.
        if (kind == 0 && m_phase != Installing)
            continue;
        if (kind != S_IFDIR) {
            *error = QStringLiteral("\"%1\" is no folder of the install's own").arg(path);
            return false;
        }
    }
    if (m_phase != Installing)
        return true;
    const QString stagingRoot = m_target + QLatin1Char('/') + m_staging;
    QSet<QString> realFolders { stagingRoot };
    for (int i = 0; i < m_files.size(); ++i) {
        QString refused = InstallPathRule::refusal(stagingRoot, m_files.at(i), false, &realFolders);
        // The roll-back puts a placed file back into its staging folder, which stands until the install is settled.
        const QString folder = QFileInfo(staged(i)).path();
        if (refused.isEmpty() && !realFolders.contains(folder))
            refused = QStringLiteral("The staging folder of \"%1\" is missing").arg(m_files.at(i));
        const mode_t backupKind = kindAt(backup(i));
        if (refused.isEmpty() && backupKind != 0 && backupKind != S_IFREG)
            refused = QStringLiteral("\"%1\" is no plain file").arg(backup(i));
        if (!refused.isEmpty()) {
            *error = refused;
            return false;
        }
    }
    return true;
}

bool InstallJournal::setAside(QString* keptAs, QString* error)
{
    const QString base = fileName() + QLatin1String(kSetAsideInfix)
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; standsThere(m_target + QLatin1Char('/') + name); ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    if (!move(journalPath(), m_target + QLatin1Char('/') + name, error))
        return false;
    *keptAs = name;
    m_phase = None;
    return syncPath(m_target, error);
}

bool InstallJournal::begin(const QString& stagingFolder, const QString& backupFolder, const QStringList& folders,
                           const QStringList& files, const QString& note, QString* error)
{
    m_staging = QDir(m_target).relativeFilePath(stagingFolder);
    m_backup = QDir(m_target).relativeFilePath(backupFolder);
    m_folders = folders;
    m_files = files;
    m_note = note;
    QByteArray text = QByteArray(kHeader) + '\n' + encoded("staging", m_staging) + encoded("backup", m_backup)
        + encoded("note", m_note);
    for (const QString& folder : m_folders)
        text += encoded("folder", folder);
    for (const QString& path : m_files)
        text += encoded("file", path);
    text += QByteArray(kEnd) + '\n';

    // Staged data first, then the journal under its name whole or not at all.
    if (!syncDisk(m_target, error))
        return false;
    const QString written = journalPath() + QStringLiteral(".new");
    QFile file(written);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush()
        || ::fsync(file.handle()) != 0) {
        *error = QStringLiteral("Cannot write the install journal \"%1\": %2").arg(written, file.errorString());
        file.close();
        QFile::remove(written);
        return false;
    }
    file.close();
    if (!move(written, journalPath(), error))
        return false;
    m_phase = Installing;
    return syncPath(m_target, error);
}

bool InstallJournal::makeFolder(const QString& relativeFolder, QString* error)
{
    QString path = m_target;
    for (const QString& part : relativeFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isDir())
            continue;
        if (::mkdir(QFile::encodeName(path).constData(), 0755) != 0) {
            *error = systemError(QStringLiteral("Cannot create the folder \"%1\"").arg(path));
            return false;
        }
    }
    return true;
}

bool InstallJournal::placeFile(int index, QString* error)
{
    if (!makeFolder(QFileInfo(m_files.at(index)).path(), error))
        return false;
    const QString path = destination(index);
    if (standsThere(path)) {
        // Checked before, but the folder is not ours alone: only a file is moved aside.
        const QFileInfo info(path);
        if (info.isSymLink() || !info.isFile()) {
            *error = QStringLiteral("\"%1\" is in the way").arg(path);
            return false;
        }
        if (!move(path, backup(index), error))
            return false;
    }
    return move(staged(index), path, error);
}

bool InstallJournal::appendPhase(const char* line, QString* error)
{
    QFile file(journalPath());
    const QByteArray text = QByteArray(line) + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(text) != text.size() || !file.flush()
        || ::fsync(file.handle()) != 0) {
        *error = QStringLiteral("Cannot write the install journal \"%1\": %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool InstallJournal::commit(QString* error)
{
    // The moves reach the disk before the journal says they are done.
    if (!syncDisk(m_target, error) || !appendPhase(kCommitted, error))
        return false;
    m_phase = Committed;
    return true;
}

bool InstallJournal::rollBack(const std::function<void(const QString&)>& restored, QString* error)
{
    if (m_phase == RolledBack)
        return true;
    QStringList failures;
    for (int i = m_files.size() - 1; i >= 0; --i) {
        // The staged file gone means the new one stands in the target: it goes back to the staging folder
        // rather than away, so that a second run finds this file as an untouched one.
        QString stepError;
        const bool placed = !standsThere(staged(i));
        if (placed && standsThere(destination(i)) && !move(destination(i), staged(i), &stepError)) {
            failures.append(stepError);
            continue;
        }
        if (standsThere(backup(i)) && !move(backup(i), destination(i), &stepError)) {
            failures.append(stepError);
            continue;
        }
        if (placed && restored)
            restored(m_files.at(i));
    }
    for (int i = m_folders.size() - 1; i >= 0; --i) {
        const QString path = m_target + QLatin1Char('/') + m_folders.at(i);
        // Only the folders this install made: something else that came in their place since, or files put into
        // them since, are not ours, and the folder stays for them.
        if (::rmdir(QFile::encodeName(path).constData()) != 0 && errno != ENOENT && errno != ENOTDIR
            && errno != ENOTEMPTY && errno != EEXIST)
            failures.append(systemError(QStringLiteral("Cannot remove the folder \"%1\"").arg(path)));
    }
    if (!failures.isEmpty()) {
        *error = failures.join(QStringLiteral("; "));
        return false;
    }
    if (!syncDisk(m_target, error) || !appendPhase(kRolledBack, error))
        return false;
    m_phase = RolledBack;
    return true;
}

bool InstallJournal::finish(QString* error)
{
    for (const QString& folder : { m_backup, m_staging }) {
        if (!removeTree(m_target + QLatin1Char('/') + folder, error))
            return false;
    }
    if (!QFile::remove(journalPath()) && standsThere(journalPath())) {
        *error = QStringLiteral("Cannot remove the install journal \"%1\"").arg(journalPath());
        return false;
    }
    m_phase = None;
    return syncPath(m_target, error);
}

bool InstallJournal::removeOrphans(const QString& target, QString* error)
{
    const QDir dir(target);
    QStringList patterns { fileName() + QStringLiteral(".new") };
    // What a set-aside journal may name stays with it for the administrator; it may be past reading.
    if (dir.entryList({ fileName() + QLatin1String(kSetAsideInfix) + QLatin1Char('*') },
                      QDir::AllEntries | QDir::Hidden | QDir::System)
            .isEmpty())
        patterns << QString::fromLatin1(kStagingPrefix) + QLatin1Char('*')
                 << QString::fromLatin1(kBackupPrefix) + QLatin1Char('*');
    const QStringList names = dir.entryList(patterns, QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!removeTree(dir.filePath(name), error))
            return false;
    }
    return names.isEmpty() || syncPath(target, error);
}

#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

#include <archive.h>
#include <archive_entry.h>

// Packages for the updater tests: real ones made by Debian's 7-Zip, hostile ones by libarchive's writer
// (which stores names, links and kinds exactly as given).
namespace PackageMaker {

inline bool make7z(const QString& archivePath, const QString& sourceDir, const QStringList& entries,
                   const QStringList& switches = {})
{
    QProcess process;
    process.setWorkingDirectory(sourceDir);
    const QString sevenZip = QStandardPaths::findExecutable("7zz"); // Debian's 7zip; p7zip-full has "7z"
    process.start(sevenZip.isEmpty() ? QStringLiteral("7z") : sevenZip,
                  QStringList { "a", "-bd", "-y" } + switches + QStringList { archivePath } + entries);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

struct RawEntry
{
    QByteArray name;
    int type; // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFIFO
    QByteArray data;
    int permissions = 0644;
    QByteArray linkTarget = {};
};

inline bool writeRaw7z(const QString& archivePath, const QVector<RawEntry>& entries)
{
    archive* a = archive_write_new();
    bool ok = archive_write_set_format_7zip(a) == ARCHIVE_OK
        && archive_write_open_filename(a, QFile::encodeName(archivePath).constData()) == ARCHIVE_OK;
    for (int i = 0; ok && i < entries.size(); ++i) {
        const RawEntry& raw = entries.at(i);
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, raw.name.constData());
        archive_entry_set_filetype(entry, raw.type);
        archive_entry_set_perm(entry, raw.permissions);
        if (!raw.linkTarget.isEmpty())
            archive_entry_set_symlink(entry, raw.linkTarget.constData());
        archive_entry_set_size(entry, raw.data.size());
        ok = archive_write_header(a, entry) == ARCHIVE_OK
            && (raw.data.isEmpty() || archive_write_data(a, raw.data.constData(), raw.data.size()) == raw.data.size());
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

inline bool writeFile(const QString& path, const QByteArray& data, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size()
        && (!executable || file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file, folder and link below root with its content digest (or link target) and executable bit.
inline QMap<QString, QString> snapshot(const QString& root)
{
    QMap<QString, QString> items;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QByteArray digest = QCryptographicHash::hash(readFile(path), QCryptographicHash::Md5).toHex();
        items.insert(QDir(root).relativeFilePath(path),
                     info.isSymLink() ? "link " + info.symLinkTarget() : digest + (info.isExecutable() ? " x" : " -"));
    }
    return items;
}

} // namespace PackageMaker

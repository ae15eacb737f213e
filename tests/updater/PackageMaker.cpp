#include "PackageMaker.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <archive.h>
#include <archive_entry.h>

namespace PackageMaker {

QString sevenZip()
{
    for (const char* name : { "7zz", "7z", "7za" }) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

bool make7z(const QString& archivePath, const QString& sourceDir, const QStringList& entries,
            const QStringList& switches, QString* output)
{
    QProcess process;
    process.setWorkingDirectory(sourceDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(sevenZip(), QStringList { "a", "-bd", "-y" } + switches + QStringList { archivePath } + entries);
    const bool done
        = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return done;
}

bool writeRaw7z(const QString& archivePath, const QVector<RawEntry>& entries, QString* error)
{
    archive* a = archive_write_new();
    bool ok = archive_write_set_format_7zip(a) == ARCHIVE_OK
        && archive_write_open_filename(a, QFile::encodeName(archivePath).constData()) == ARCHIVE_OK;
    for (const RawEntry& raw : entries) {
        if (!ok)
            break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, raw.name.constData());
        archive_entry_set_filetype(entry, raw.type ? raw.type : AE_IFREG);
        archive_entry_set_perm(entry, raw.permissions);
        if (!raw.linkTarget.isEmpty())
            archive_entry_set_symlink(entry, raw.linkTarget.constData());
        archive_entry_set_size(entry, raw.data.size());
        ok = archive_write_header(a, entry) == ARCHIVE_OK
            && (raw.data.isEmpty() || archive_write_data(a, raw.data.constData(), raw.data.size()) == raw.data.size());
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    if (!ok && error)
        *error = QString::fromUtf8(archive_error_string(a));
    archive_write_free(a);
    return ok;
}

bool writeFile(const QString& path, const QByteArray& data, bool executable)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        return false;
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
        | QFile::ReadGroup | QFile::ReadOther;
    if (executable)
        permissions |= QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
    return file.setPermissions(permissions);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QString> snapshot(const QString& root)
{
    QMap<QString, QString> items;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QString state;
        if (info.isSymLink())
            state = "link " + info.symLinkTarget();
        else if (info.isDir())
            state = "dir";
        else
            state = QString("file %1 %2")
                        .arg(QString::fromLatin1(
                            QCryptographicHash::hash(readFile(path), QCryptographicHash::Md5).toHex()))
                        .arg(info.isExecutable() ? "x" : "-");
        items.insert(base.relativeFilePath(path), state);
    }
    return items;
}

} // namespace PackageMaker

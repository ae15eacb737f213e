#include "InstallPathRule.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>

QString InstallPathRule::ownPrefix()
{
    return QStringLiteral(".lib7z-");
}

bool InstallPathRule::isOwnName(const QString& relativePath)
{
    return relativePath.section(QLatin1Char('/'), 0, 0).startsWith(ownPrefix());
}

QString InstallPathRule::refusal(const QString& root, const QString& relativePath, bool isFolder,
                                 QSet<QString>* realFolders)
{
    if (relativePath.isEmpty() || !QDir::cleanPath(root + QLatin1Char('/') + relativePath).startsWith(root + '/'))
        return QStringLiteral("\"%1\" lies outside \"%2\"").arg(relativePath, root);
    const QStringList parts = relativePath.split(QLatin1Char('/'));
    QString path = root;
    for (int i = 0; i < parts.size(); ++i) {
        path += QLatin1Char('/') + parts.at(i);
        const bool wantsFolder = i + 1 < parts.size() || isFolder;
        if (wantsFolder && realFolders && realFolders->contains(path))
            continue;
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
            if (errno == ENOENT)
                return QString();
            return QStringLiteral("\"%1\" cannot be looked at: %2").arg(path, qt_error_string(errno));
        }
        if (S_ISLNK(info.st_mode))
            return QStringLiteral("\"%1\" leads through a symbolic link").arg(relativePath);
        if (wantsFolder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))
            return QStringLiteral("\"%1\" is in the way of \"%2\"").arg(path, relativePath);
        if (wantsFolder && realFolders)
            realFolders->insert(path);
    }
    return QString();
}

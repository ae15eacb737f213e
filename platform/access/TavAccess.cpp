#include "TavAccess.h"

#include <QFile>
#include <QFileInfo>

bool TavAccess::grantReadWrite(const QString& filePath)
{
    const QFileInfo file(filePath);
    if (!file.exists() || !file.isFile())
        return false;

    const QFile::Permissions folder = QFileInfo(file.absolutePath()).permissions();
    // Only the owner/group/other bits: the "user" bits describe the calling process, not the file.
    const QFile::Permissions mask = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QFile::Permissions wanted = file.permissions() & mask;
    if (folder & QFile::ExeOwner)
        wanted |= QFile::ReadOwner | QFile::WriteOwner;
    if (folder & QFile::ExeGroup)
        wanted |= QFile::ReadGroup | QFile::WriteGroup;
    if (folder & QFile::ExeOther)
        wanted |= QFile::ReadOther | QFile::WriteOther;
    if (wanted == (file.permissions() & mask))
        return true;
    return QFile::setPermissions(filePath, wanted);
}

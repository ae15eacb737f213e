#include "ArchiveEntryName.h"

#include <QStringList>

QString ArchiveEntryName::relativePath(const QString& entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return QString();
    // "C:name" is relative to the current folder of drive C on Windows: refused like "C:/name".
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter() && name.at(0).unicode() < 128)
        return QString();

    QStringList parts;
    const QStringList raw = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == QLatin1String(".."))
            return QString();
        if (part != QLatin1String("."))
            parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

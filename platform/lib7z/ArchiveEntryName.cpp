#include "ArchiveEntryName.h"

#include <QStringList>

QString ArchiveEntryName::relativePath(const QString& entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return QString();

    QStringList parts;
    const QStringList raw = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == QLatin1String(".."))
            return QString();
        if (part != QLatin1String("."))
            parts.append(part);
    }
    const QString path = parts.join(QLatin1Char('/'));
    // Checked once "." components are gone, or "./C:name" would slip through. "C:name" is relative to the
    // current folder of drive C on Windows: refused like "C:/name".
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter() && path.at(0).unicode() < 128)
        return QString();
    return path;
}

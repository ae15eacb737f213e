#include "PlainFileName.h"

QString PlainFileName::make(const QString& text, const QString& fallback)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString name;
    name.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || refused.contains(c))
            continue;
        name.append(c);
    }
    name = name.trimmed();
    while (name.startsWith('.'))
        name.remove(0, 1);
    // Windows ignores trailing dots and blanks, which would let "a." and "a" name the same file.
    while (name.endsWith('.') || name.endsWith(' '))
        name.chop(1);
    name = name.trimmed();
    return name.isEmpty() ? fallback : name;
}

#include "CodeTool.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

CodeTool::CodeTool()
{
    // "0" has its own numeral so that 10 and 1 stay apart.
    m_digits.insert("0", QStringLiteral("〇"));
    m_digits.insert("1", QStringLiteral("一"));
    m_digits.insert("2", QStringLiteral("二"));
    m_digits.insert("3", QStringLiteral("三"));
    m_digits.insert("4", QStringLiteral("四"));
    m_digits.insert("5", QStringLiteral("五"));
    m_digits.insert("6", QStringLiteral("六"));
    m_digits.insert("7", QStringLiteral("七"));
    m_digits.insert("8", QStringLiteral("八"));
    m_digits.insert("9", QStringLiteral("九"));
}

QString CodeTool::md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString CodeTool::toChineseNumerals(int n) const
{
    const QString digits = QString::number(n, 10);
    QString numerals;
    for (const QChar c : digits) {
        numerals += m_digits.value(QString(c));
    }
    return numerals;
}

QString CodeTool::sortedDistinctChars(const QString& text) const
{
    QString seen;
    QStringList chars;
    for (const QChar c : text) {
        if (!seen.contains(c, Qt::CaseSensitive)) {
            seen += c;
            chars << QString(c);
        }
    }
    chars.sort(Qt::CaseSensitive);
    return chars.join(QString());
}

QString CodeTool::ensureDir(const QString& path)
{
    QString absolute = QDir(path).absolutePath();
    QDir dir(absolute);
    if (!dir.exists()) {
        dir.mkdir(absolute);
    }
    if (!absolute.endsWith('/')) {
        absolute += '/';
    }
    return absolute;
}

void CodeTool::removeDirRecursively(const QString& path, bool removeSelf)
{
    // An empty path would mean the current folder, usually the program directory.
    if (path.isEmpty()) {
        return;
    }
    QDir dir(path);
    if (!dir.exists()) {
        return;
    }
    const QFileInfoList entries = dir.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            removeDirRecursively(entry.filePath(), true);
        } else {
            // A link is removed as a link: whatever it points to stays untouched.
            dir.remove(entry.fileName());
        }
    }
    if (removeSelf && dir.exists()) {
        const QString name = QFileInfo(dir.absolutePath()).fileName();
        QDir parent(dir.absolutePath());
        if (parent.cdUp() && !name.isEmpty()) {
            parent.rmdir(name);
        }
    }
}

void CodeTool::logWithTime(const QString& message)
{
    qDebug().noquote() << message + QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz");
}

QRect CodeTool::centerOnDesktop(QWidget* widget)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return QRect();
    }
    const QRect available = screen->availableGeometry();
    if (widget) {
        const int x = static_cast<int>((available.width() - widget->width()) / 2.0);
        const int y = static_cast<int>((available.height() - widget->height()) / 2.0);
        widget->move(x, y);
    }
    return available;
}

#pragma once

#include "Singleton.h"

#include <QMap>
#include <QObject>
#include <QRect>
#include <QString>

class QWidget;

// Small shared helpers: MD5 text, Chinese numerals, answer normal form, folders, timed debug lines, centring.
class CodeTool : public QObject
{
    Q_OBJECT
public:
    CodeTool();

    static CodeTool* getInstance() { return TavSingleton<CodeTool>::instance(); }

    // MD5 of the UTF-8 bytes as 32 lower-case hexadecimal characters.
    static QString md5Hex(const QString& text);
    // Each decimal digit as its Chinese numeral: 10 gives "一〇", 105 gives "一〇五".
    QString toChineseNumerals(int n) const;
    // The distinct characters, sorted and joined: "DBAB" gives "ABD".
    QString sortedDistinctChars(const QString& text) const;
    // Absolute path ending in "/"; creates the last folder level when it is missing.
    static QString ensureDir(const QString& path);
    // Empties the folder without following symbolic links; an empty path does nothing.
    static void removeDirRecursively(const QString& path, bool removeSelf);
    // Debug line of the message followed by the time with milliseconds.
    static void logWithTime(const QString& message);
    // Moves the widget to the middle of the primary screen's work area size; returns that area.
    static QRect centerOnDesktop(QWidget* widget);

private:
    QMap<QString, QString> m_digits;
};

#pragma once

#include <QFile>
#include <QRegularExpression>

// The resident memory of this process, and its peak since the last reset, as Linux tells them in /proc.
class PeakMemory
{
public:
    // Starts a new peak at the present size; false where the system does not allow it.
    static bool reset()
    {
        QFile refs(QStringLiteral("/proc/self/clear_refs"));
        return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
    }
    static qint64 peakBytes() { return field("VmHWM"); }
    static qint64 currentBytes() { return field("VmRSS"); }

private:
    // A "kB" line of /proc/self/status in bytes; -1 when missing.
    static qint64 field(const char* name)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(name)),
                                      QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
        return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : -1;
    }
};

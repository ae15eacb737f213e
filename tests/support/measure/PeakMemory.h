#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <malloc.h>

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

    // The peak growth of the process over a stretch of a test. The start is settled first: replies deleted later
    // and the free top of the heap leave the process, so that the reset does not start the peak from memory that
    // is about to go. The growth is read against the peak the reset set, not against a second reading of the size
    // that the service's or the network's thread may have changed meanwhile: memory they free right after the reset
    // would otherwise count as growth.
    class Growth
    {
    public:
        Growth()
        {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            malloc_trim(0);
            m_valid = reset();
            m_start = peakBytes();
            m_anon = field("RssAnon");
            m_file = field("RssFile");
        }
        bool isValid() const { return m_valid && m_start > 0; }
        qint64 bytes() const { return peakBytes() - m_start; }
        // For a failure's message: the peak, and what the process holds now beyond the start, in heap and other
        // anonymous pages and in pages of files (libraries read in for the first time count there).
        QString describe() const
        {
            return QString("%1 MiB more at the peak; now anonymous %2 MiB, files %3 MiB")
                .arg(bytes() >> 20)
                .arg((field("RssAnon") - m_anon) >> 20)
                .arg((field("RssFile") - m_file) >> 20);
        }

    private:
        bool m_valid = false;
        qint64 m_start = -1;
        qint64 m_anon = 0;
        qint64 m_file = 0;
    };

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

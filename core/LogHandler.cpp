#include "LogHandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutex>
#include <QTextStream>

#include <atomic>
#include <cstdio>

namespace {

// Both live until the process ends: messages can still arrive from static destructors.
QBasicMutex s_logMutex;
std::atomic<QString*> s_logPath { nullptr };

// A message raised while the handler writes (a QFile warning, a warning about a vanished application object)
// comes back into the handler on the same thread; taking the mutex again would hang the program.
thread_local bool t_insideHandler = false;

QString levelText(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug:");
    case QtWarningMsg:
        return QStringLiteral("Warning:");
    case QtCriticalMsg:
        return QStringLiteral("Critical:");
    case QtFatalMsg:
        return QStringLiteral("Fatal:");
    default:
        return QString();
    }
}

} // namespace

QString formatLogLine(QtMsgType type, const QMessageLogContext& context, const QString& message, const QDateTime& time)
{
    const QString place = QStringLiteral("File:(%1) Line:(%2)").arg(QString::fromUtf8(context.file)).arg(context.line);
    const QString stamp = QStringLiteral("(%1)").arg(time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ddd")));
    return QStringLiteral("%1 %2 %3 %4").arg(levelText(type), place, message, stamp);
}

void installLogHandler(const QString& path)
{
    QString* fixed
        = new QString(path.isEmpty() ? QCoreApplication::applicationDirPath() + "/ErrorLog" + "/TAVLog.txt" : path);
    {
        QMutexLocker locker(&s_logMutex);
        // An earlier path is kept alive: another thread may still be reading it.
        s_logPath.store(fixed, std::memory_order_release);
    }
    qInstallMessageHandler(messageHandler);
}

QString logFilePath()
{
    const QString* path = s_logPath.load(std::memory_order_acquire);
    return path ? *path : QString();
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (t_insideHandler) {
        fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    t_insideHandler = true;
    const QString line = formatLogLine(type, context, message, QDateTime::currentDateTime());
    {
        QMutexLocker locker(&s_logMutex);
        const QString* path = s_logPath.load(std::memory_order_acquire);
        if (path) {
            QFile file(*path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
                if (file.size() > kTavLogMaxBytes) {
                    file.resize(0);
                }
                QTextStream out(&file);
                out.setCodec("UTF-8");
                out << line << "\r\n";
                out.flush();
                file.close();
            }
        }
    }
    t_insideHandler = false;
}

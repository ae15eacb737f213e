#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Every Qt message of the program goes to one text file, "ErrorLog/TAVLog.txt" in the program directory.
// The folder is never created here: without it messages are dropped.

// Size above which the log file is emptied before the next line is written.
constexpr qint64 kTavLogMaxBytes = 10485760;

// The handler given to qInstallMessageHandler; safe from any thread.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Fixes the log file once and installs messageHandler. An empty path means the program directory's log file,
// so the application object must exist by then.
void installLogHandler(const QString& logFilePath = QString());

// The file the handler writes to; empty before installLogHandler.
QString logFilePath();

// One log line without its line end: level, file and line, text and time.
QString formatLogLine(QtMsgType type, const QMessageLogContext& context, const QString& message, const QDateTime& time);

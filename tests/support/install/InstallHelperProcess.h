#pragma once

#include <QProcess>
#include <QStringList>

#include <csignal>

// Runs tav-install-helper (InstallHelper.cpp). With a stop point it waits until the helper stands there, kills it
// with SIGKILL and returns "stopped"; otherwise it returns the helper's last line ("done 1 <ms> ...").
inline QString runInstallHelper(const QStringList& args, const QString& stop = QString())
{
    QProcess helper;
    helper.start(QStringLiteral(TAV_INSTALL_HELPER_PATH), stop.isEmpty() ? args : args + QStringList { stop });
    if (!helper.waitForStarted(-1))
        return QStringLiteral("not started");
    if (!stop.isEmpty()) {
        // Bounded only by the test's own time-out: a loaded machine is slow, not wrong.
        while (!helper.canReadLine() && helper.state() == QProcess::Running)
            helper.waitForReadyRead(1000);
        const QByteArray line = helper.readLine().trimmed();
        ::kill(pid_t(helper.processId()), SIGKILL);
        helper.waitForFinished(-1);
        return line == "stopped" ? QString::fromUtf8(line)
                                 : "did not stop at " + stop + ": " + QString::fromUtf8(line + helper.readAll());
    }
    helper.waitForFinished(-1);
    return QString::fromUtf8(helper.readAllStandardOutput().trimmed().split('\n').last());
}

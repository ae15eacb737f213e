#pragma once

// A benchmark run in a program folder of its own. The program keeps its database beside the executable, so two
// benchmarks started together from bench-bin would write one file ("disk I/O error", "readonly database"). Called
// first in main, before the application object: the executable is copied into a new temporary folder that also
// holds what lies beside it in bench-bin (pictures, style sheet, plugins, preloaded libraries; no database and no
// log), run from there with the same arguments and the folder removed after it ended. In the copy it returns at
// once. Returns -1 when the run goes on here, else the copy's exit code.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace BenchOwnFolder {

inline const char* flag()
{
    return "TAV_BENCH_OWN_FOLDER";
}

// What a run makes for itself beside the executable, never shared with the folder it came from.
inline bool ownedByRun(const QString& name)
{
    return name.startsWith(QLatin1String("TAVSqlite.db")) || name == QLatin1String("ErrorLog")
        || name == QLatin1String("conf");
}

inline int run(char** argv)
{
    if (qEnvironmentVariableIsSet(flag()))
        return -1;
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return -1;
    exe[length] = '\0';
    const QFileInfo program(QString::fromLocal8Bit(exe));
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tav-bench-XXXXXX"));
    const QString copy = folder.filePath(program.fileName());
    if (!folder.isValid() || !QFile::copy(program.filePath(), copy)) {
        std::fprintf(stderr, "cannot make a program folder of this run's own\n");
        return 1;
    }
    const QFileInfoList beside = program.dir().entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo& entry : beside) {
        if (entry.fileName() != program.fileName() && !ownedByRun(entry.fileName()))
            QFile::link(entry.absoluteFilePath(), folder.filePath(entry.fileName()));
    }
    qputenv(flag(), QFile::encodeName(folder.path()));
    const QByteArray path = QFile::encodeName(copy);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        execv(path.constData(), argv);
        _exit(127);
    }
    // An interrupt from the terminal reaches the copy too; this one stays to remove the folder.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGQUIT, SIG_IGN);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    std::fprintf(stderr, "the benchmark ended by signal %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return 1;
}

} // namespace BenchOwnFolder

#pragma once

// A laptop's hard disk for a child process: the benchmarks' libtav-slow-fsync.so preloaded into it, so that every
// fsync and fdatasync of the child takes delayMs longer.
#include <QProcessEnvironment>
#include <QString>

#include <dlfcn.h>

namespace SlowFsync {

// The environment of a child process on such a disk.
inline QProcessEnvironment environment(int delayMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString before = env.value(QStringLiteral("LD_PRELOAD"));
    env.insert(QStringLiteral("LD_PRELOAD"),
               QStringLiteral(TAV_SLOW_FSYNC_LIB) + (before.isEmpty() ? QString() : QLatin1Char(':') + before));
    env.insert(QStringLiteral("TAV_FSYNC_DELAY_MS"), QString::number(delayMs));
    return env;
}

// In the child: true when its fsync is slowed.
inline bool active()
{
    return dlsym(RTLD_DEFAULT, "tavSlowFsyncMainThreadNs") != nullptr;
}

// In the child: every fsync from now on takes delayMs longer; false when its fsync is not slowed.
inline bool setDelayMs(int delayMs)
{
    using Set = void (*)(long long);
    const auto set = reinterpret_cast<Set>(dlsym(RTLD_DEFAULT, "tavSlowFsyncSetDelayMs"));
    if (set)
        set(delayMs);
    return set != nullptr;
}

} // namespace SlowFsync

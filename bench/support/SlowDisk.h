#pragma once

// A benchmark on a laptop's hard disk: it runs again with libtav-slow-fsync.so preloaded (every fsync and
// fdatasync slowed), which adds up the time the interface thread spends in them.
#include <QByteArray>
#include <QtGlobal>

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace SlowDisk {

using Counter = long long (*)();

inline Counter mainThreadCounter()
{
    static const Counter counter = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, "tavSlowFsyncMainThreadNs"));
    return counter;
}

// True when the slowed fsync is in place.
inline bool active()
{
    return mainThreadCounter() != nullptr;
}

// Time the main (interface) thread has spent in fsync and fdatasync so far; 0 without the slowed fsync.
inline qint64 mainThreadWaitNs()
{
    const Counter counter = mainThreadCounter();
    return counter ? counter() : 0;
}

// Before the application object: with a delay above 0 and the slowed fsync not yet in place, runs this program
// again with it preloaded (from beside the executable) and does not return; otherwise returns at once. On
// failure it returns, and active() says the disk is not slowed.
inline void runSlowed(char** argv, int delayMs)
{
    if (delayMs <= 0 || active())
        return;
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return;
    exe[length] = '\0';
    QByteArray preload(exe);
    preload = preload.left(preload.lastIndexOf('/') + 1) + "libtav-slow-fsync.so";
    if (access(preload.constData(), R_OK) != 0)
        return;
    const QByteArray before = qgetenv("LD_PRELOAD");
    if (!before.isEmpty())
        preload += ':' + before;
    qputenv("LD_PRELOAD", preload);
    qputenv("TAV_FSYNC_DELAY_MS", QByteArray::number(delayMs));
    execv(exe, argv);
}

} // namespace SlowDisk

// A laptop's hard disk for the benchmarks, preloaded into one (LD_PRELOAD): every fsync and fdatasync takes
// TAV_FSYNC_DELAY_MS longer (20 when unset). The time the process's main thread, the interface thread, spends
// in them is added up, and their number, and a benchmark reads them through tavSlowFsyncMainThreadNs() and
// tavSlowFsyncMainThreadCalls() (found with dlsym); tavSlowFsyncSetDelayMs() changes the delay from then on.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" {
int fsync(int fd);
int fdatasync(int fd);
long long tavSlowFsyncMainThreadNs();
long long tavSlowFsyncMainThreadCalls();
void tavSlowFsyncSetDelayMs(long long ms);
}

namespace {

std::atomic<long long> g_mainThreadNs { 0 };
std::atomic<long long> g_mainThreadCalls { 0 };

std::atomic<long long>& delay()
{
    static std::atomic<long long> ns { [] {
        const char* value = std::getenv("TAV_FSYNC_DELAY_MS");
        return (value ? std::atoll(value) : 20) * 1000000LL;
    }() };
    return ns;
}

long long delayNs()
{
    return delay().load();
}

long long monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

using SyncCall = int (*)(int);

int slowed(const char* name, int fd)
{
    const SyncCall real = reinterpret_cast<SyncCall>(dlsym(RTLD_NEXT, name));
    const long long start = monotonicNs();
    const int result = real ? real(fd) : 0;
    const int error = errno;
    const long long wait = delayNs();
    timespec rest { time_t(wait / 1000000000LL), long(wait % 1000000000LL) };
    while (nanosleep(&rest, &rest) == -1 && errno == EINTR) { }
    if (syscall(SYS_gettid) == getpid()) {
        g_mainThreadNs += monotonicNs() - start;
        ++g_mainThreadCalls;
    }
    errno = error;
    return result;
}

} // namespace

int fsync(int fd)
{
    return slowed("fsync", fd);
}

int fdatasync(int fd)
{
    return slowed("fdatasync", fd);
}

long long tavSlowFsyncMainThreadNs()
{
    return g_mainThreadNs;
}

long long tavSlowFsyncMainThreadCalls()
{
    return g_mainThreadCalls;
}

void tavSlowFsyncSetDelayMs(long long ms)
{
    delay() = ms * 1000000LL;
}

#include "FullDisk.h"

#include <csignal>
#include <sys/resource.h>

namespace {
rlimit g_before {};
}

FullDisk::FullDisk()
{
    std::signal(SIGXFSZ, SIG_IGN);
    if (getrlimit(RLIMIT_FSIZE, &g_before) != 0)
        return;
    rlimit full = g_before;
    full.rlim_cur = 0;
    m_full = setrlimit(RLIMIT_FSIZE, &full) == 0;
}

FullDisk::~FullDisk()
{
    free();
}

void FullDisk::free()
{
    if (m_full)
        setrlimit(RLIMIT_FSIZE, &g_before);
    m_full = false;
}

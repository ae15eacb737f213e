#pragma once

#include <QElapsedTimer>

// The calling thread at work for a while, taking no events: an interface thread that a heavy screen or a busy
// machine holds up while a reply keeps arriving.
namespace BusyThread {

inline void workFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    volatile quint64 sum = 0;
    while (clock.elapsed() < ms) {
        for (int i = 0; i < 100000; ++i)
            sum = sum + quint64(i);
    }
}

} // namespace BusyThread

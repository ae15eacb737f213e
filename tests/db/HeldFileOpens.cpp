#include "HeldFileOpens.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

#include <sqlite3.h>

namespace {

QMutex g_mutex;
QWaitCondition g_released;
QThread* g_holder = nullptr;
int g_waited = 0;
int g_capMs = 0;
sqlite3_vfs g_vfs;
int (*g_open)(sqlite3_vfs*, const char*, sqlite3_file*, int, int*) = nullptr;

int heldOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    {
        QMutexLocker locker(&g_mutex);
        if (g_holder && g_holder != QThread::currentThread()) {
            ++g_waited;
            QDeadlineTimer cap(g_capMs);
            while (g_holder && !cap.hasExpired())
                g_released.wait(&g_mutex, cap);
        }
    }
    return g_open(vfs, name, file, flags, outFlags);
}

// The default file layer, copied with its own methods but the open: they read what they need from the copy.
bool wrap()
{
    if (g_open)
        return true;
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    if (!real)
        return false;
    g_vfs = *real;
    g_vfs.zName = "tavHeldOpens";
    g_vfs.pNext = nullptr;
    g_open = real->xOpen;
    g_vfs.xOpen = heldOpen;
    if (sqlite3_vfs_register(&g_vfs, 1) != SQLITE_OK) {
        g_open = nullptr;
        return false;
    }
    return true;
}

} // namespace

bool HeldFileOpens::hold(int capMs)
{
    if (!wrap())
        return false;
    QMutexLocker locker(&g_mutex);
    g_holder = QThread::currentThread();
    g_capMs = capMs;
    g_waited = 0;
    return true;
}

void HeldFileOpens::release()
{
    QMutexLocker locker(&g_mutex);
    g_holder = nullptr;
    g_released.wakeAll();
}

int HeldFileOpens::waited()
{
    QMutexLocker locker(&g_mutex);
    return g_waited;
}

#include "HeldFileOpens.h"

#include "WrappedFileLayer.h"

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
WrappedFileLayer g_layer;

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
    return g_layer.realOpen(vfs, name, file, flags, outFlags);
}

} // namespace

bool HeldFileOpens::hold(int capMs)
{
    if (!g_layer.wrap("tavHeldOpens", heldOpen))
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

#include "SlowFileReads.h"

#include "WrappedFileLayer.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <sqlite3.h>

namespace {

QMutex g_mutex;
QThread* g_holder = nullptr;
int g_readMs = 0;
int g_reads = 0;
WrappedFileLayer g_layer;
// The file methods SQLite gave the database files, and the same with the slowed read.
const sqlite3_io_methods* g_realMethods = nullptr;
sqlite3_io_methods g_slowMethods;

int slowRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    int delayMs = 0;
    {
        QMutexLocker locker(&g_mutex);
        if (g_holder && g_holder != QThread::currentThread()) {
            ++g_reads;
            delayMs = g_readMs;
        }
    }
    if (delayMs > 0)
        QThread::msleep(static_cast<unsigned long>(delayMs)); // the disk's own time
    return g_realMethods->xRead(file, buffer, amount, offset);
}

int slowOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    const int rc = g_layer.realOpen(vfs, name, file, flags, outFlags);
    if (rc != SQLITE_OK || !(flags & SQLITE_OPEN_MAIN_DB) || !file->pMethods)
        return rc;
    QMutexLocker locker(&g_mutex);
    if (!g_realMethods) {
        g_realMethods = file->pMethods;
        g_slowMethods = *g_realMethods;
        g_slowMethods.xRead = slowRead;
    }
    if (file->pMethods == g_realMethods)
        file->pMethods = &g_slowMethods;
    return rc;
}

} // namespace

bool SlowFileReads::slow(int readMs)
{
    if (!g_layer.wrap("tavSlowReads", slowOpen))
        return false;
    QMutexLocker locker(&g_mutex);
    g_holder = QThread::currentThread();
    g_readMs = readMs;
    g_reads = 0;
    return true;
}

void SlowFileReads::off()
{
    QMutexLocker locker(&g_mutex);
    g_holder = nullptr;
}

int SlowFileReads::reads()
{
    QMutexLocker locker(&g_mutex);
    return g_reads;
}

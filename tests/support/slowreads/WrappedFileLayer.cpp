#include "WrappedFileLayer.h"

bool WrappedFileLayer::wrap(const char* name, Open open)
{
    if (m_realOpen)
        return true;
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    if (!real)
        return false;
    m_vfs = *real;
    m_vfs.zName = name;
    m_vfs.pNext = nullptr;
    m_vfs.xOpen = open;
    m_realOpen = real->xOpen;
    if (sqlite3_vfs_register(&m_vfs, 1) != SQLITE_OK) {
        m_realOpen = nullptr;
        return false;
    }
    return true;
}

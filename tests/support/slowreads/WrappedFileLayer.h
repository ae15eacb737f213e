#pragma once

#include <sqlite3.h>

// SQLite's default file layer, copied with its own methods but the open, and put in its place: the tests' slow
// disks hook the open to slow what it opens. Made once a process; SQLite takes it for every connection opened
// from then on, and keeps a pointer to it, so it lives as long as the process.
class WrappedFileLayer
{
public:
    using Open = int (*)(sqlite3_vfs*, const char*, sqlite3_file*, int, int*);

    // Registers the copy under the name, with open as its open, the first time; false when it could not.
    bool wrap(const char* name, Open open);
    // The open of the file layer it wraps.
    int realOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) const
    {
        return m_realOpen(vfs, name, file, flags, outFlags);
    }

private:
    sqlite3_vfs m_vfs {};
    Open m_realOpen = nullptr;
};

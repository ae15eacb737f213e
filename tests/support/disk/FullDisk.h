#pragma once

// A full disk for the test process while it lives: no file can take another byte, the database's journal
// included, so SQLite refuses every write transaction (with a disk I/O error) as on a disk without a free block;
// reads go on. It is the process's file-size limit (RLIMIT_FSIZE) at 0, which every thread shares, with SIGXFSZ
// ignored so that a refused write only fails. Output to a file is refused meanwhile too: check outcomes once
// the disk is free again, and start no child process while it is full.
class FullDisk
{
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // False when the limit could not be set.
    bool isFull() const { return m_full; }
    // Frees the disk before the end of the scope.
    void free();

private:
    bool m_full = false;
};

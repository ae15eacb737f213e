#pragma once

#include <QtGlobal>

// A slow disk for the threads that read the database file beside the test's own: while it is held, every file
// SQLite opens for a thread other than the one that holds it waits (in SQLite's own file layer), so a worker's
// read-through of the file stays under way as long as the test wants, whatever the machine's speed. Made once;
// SQLite takes it for every connection opened from then on.
class HeldFileOpens
{
public:
    // False when SQLite's file layer could not be wrapped. An open waits at most capMs, so that a program that
    // waits for the held thread itself is slowed rather than hung.
    static bool hold(int capMs = 10000);
    static void release();
    // Opens that waited, since the last hold().
    static int waited();
};

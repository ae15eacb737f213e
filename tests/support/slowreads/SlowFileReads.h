#pragma once

// A slow disk under SQLite for the threads that read a database file beside the test's own: while it is on, every
// read of a database file that SQLite makes for a thread other than the one that turned it on takes readMs
// longer, so a worker's read of a small file lasts as long as the test wants, whatever the machine's speed. Made
// once; SQLite takes it for every connection opened from then on.
class SlowFileReads
{
public:
    // False when SQLite's file layer could not be wrapped.
    static bool slow(int readMs);
    static void off();
    // Reads slowed since the last slow().
    static int reads();
};

#pragma once

#include <QString>

// Reduces a text that came from outside (a server address, a user name) to a plain file name that cannot
// leave the folder it is joined to.
class PlainFileName
{
public:
    // Drops path separators, drive colons, control characters and characters Windows refuses, and leading
    // dots (so nothing like ".." remains); an empty result gives `fallback`.
    static QString make(const QString& text, const QString& fallback);
};

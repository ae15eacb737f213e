#pragma once

#include <QString>

// Turns the name of an archive entry into a path relative to the target folder, or refuses it.
class ArchiveEntryName
{
public:
    // Empty when the name is empty, absolute, carries a drive or UNC prefix, or has a ".." component.
    // "\" counts as a separator; "." and empty components are dropped; the result uses "/".
    static QString relativePath(const QString& entryName);
};

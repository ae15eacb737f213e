#pragma once

#include <QString>

// Stand-in for granting everyone full access to the database file on Windows: here the file gets read
// and write permission for every class of user (owner, group, others) that may enter its directory.
// Only file permissions are changed; no program is started.
class TavAccess
{
public:
    // False when the file is missing or its permissions cannot be changed.
    static bool grantReadWrite(const QString& filePath);
};

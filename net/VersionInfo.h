#pragma once

#include <QString>

// The version service's answer: the newest version, its package and whether it must be installed.
struct VersionInfo
{
    QString version; // empty when the request failed
    QString url;
    bool forceupdate = false;
};

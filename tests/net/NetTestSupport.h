#pragma once

#include "DbTestSupport.h"
#include "iniParse.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace NetTestSupport {

// Loads an ini file with the given server into iniParse (the file lives in a temporary folder).
inline bool useServer(const QString& host, int port)
{
    static QTemporaryDir dir;
    static int files = 0;
    // A new file every time: QSettings may keep serving a rewritten file from its cache.
    const QString path = dir.filePath(QStringLiteral("TAVConfig%1.ini").arg(++files));
    QFile file(path);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream(&file) << "[ClientInfo]\nDomain=" << host << "\nServerPort=" << port << "\n";
    file.close();
    return iniParse::getInstance()->loadFile(path);
}

} // namespace NetTestSupport

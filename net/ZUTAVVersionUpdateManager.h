#pragma once

#include "VersionInfo.h"

#include <QMap>
#include <QObject>
#include <QString>

// Asks the version service for the newest version of the program.
class ZUTAVVersionUpdateManager : public QObject
{
    Q_OBJECT
public:
    explicit ZUTAVVersionUpdateManager(QObject* parent = nullptr);

    // The version service's own fixed address (plain HTTP, default port), not the configured server.
    static QString serviceAddress();
    // The request address for the given installed version, signed.
    static QString requestUrl(const QString& localVersion);

    VersionInfo checkVersion();
    // Fills "version" and "url" from the reply's "result"; nothing when the text is not a JSON object.
    static void parseVersion(const QString& text, QMap<QString, QString>& values, bool& forceupdate);
};

#pragma once

#include "Singleton.h"
#include "VersionInfo.h"

#include <QObject>
#include <QString>

class ZUTAVVersionUpdateManager;
class ZUTipDlg;

// The start-up step before the login: asks the version service and, when a newer package is offered and
// either forced or accepted by the teacher, starts the updater.
class ZUStartUpProcess : public QObject
{
    Q_OBJECT
public:
    static ZUStartUpProcess* getInstance() { return TavSingleton<ZUStartUpProcess>::instance(); }

    // False when the updater has been started: the program must then end at once, because the updater
    // refuses to run while this program still holds its single-instance segment.
    bool startUp();
    // Same result as startUp.
    bool checkUpdate(const VersionInfo& info);
    // upToDate ends false when an update is due; never for an empty (unreadable) local version.
    static void compareVersion(const QString& local, const QString& server, bool& upToDate);
    // Starts "TAVUpdate" of the program directory, detached, with the package URL and the new version.
    bool startUpdater(const VersionInfo& info);

    // The updater's path: the program directory + "/TAVUpdate".
    static QString updaterPath();

private:
    friend class TavSingleton<ZUStartUpProcess>;
    ZUStartUpProcess();

    ZUTAVVersionUpdateManager* m_versionManager;
    ZUTipDlg* m_tipDlg = nullptr;
};

#include "ZUStartUpProcess.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_AppInfo.h"
#include "ZUTAVVersionUpdateManager.h"
#include "ZUTipDlg.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QProcess>

ZUStartUpProcess::ZUStartUpProcess()
    : m_versionManager(new ZUTAVVersionUpdateManager(this))
{
}

QString ZUStartUpProcess::updaterPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QStringLiteral("/TAVUpdate"));
}

bool ZUStartUpProcess::startUp()
{
    qDebug() << "enter ZUTAVStartUpProcess startUp";
    const VersionInfo info = m_versionManager->checkVersion();
    qDebug().noquote() << "the server version is: " + info.version;
    return checkUpdate(info);
}

bool ZUStartUpProcess::checkUpdate(const VersionInfo& info)
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getReadDbCon();
    const QString localVersion = TAV_AppInfo::getInstance()->selectVersion(db);
    database->closeDbCon(db);
    TAVMemInfo::getInstance()->version = localVersion;
    if (localVersion.isEmpty())
        qWarning() << "****the installed version cannot be read, no update is offered";

    bool upToDate = true;
    compareVersion(localVersion, info.version, upToDate);
    if (upToDate)
        return true;
    if (!info.forceupdate) {
        if (!m_tipDlg)
            m_tipDlg = ZUTipDlg::getInstance();
        m_tipDlg->setButtons(2, 0);
        m_tipDlg->setText(tr("检测到新版本，是否更新?"), tr("消息"));
        if (m_tipDlg->exec() != 2)
            return true;
    }
    return !startUpdater(info);
}

void ZUStartUpProcess::compareVersion(const QString& local, const QString& server, bool& upToDate)
{
    // An empty answer (service unreachable, no "result") offers nothing to install. An empty installed version
    // is a row that cannot be read, not an old program: an update offered on it would only stop the program.
    if (server.isEmpty() || local.isEmpty()) {
        upToDate = true;
        return;
    }
    if (local.size() < 5) {
        upToDate = false;
        return;
    }
    const QStringList localParts = local.split(QLatin1Char('.'));
    if (localParts.size() < 3)
        return;
    const QStringList serverParts = server.split(QLatin1Char('.'));
    if (serverParts.size() < 3) {
        upToDate = false;
        return;
    }
    const auto weight = [](const QStringList& parts) {
        return parts.at(0).toLongLong() * 100000 + parts.at(1).toLongLong() * 100 + parts.at(2).toLongLong();
    };
    upToDate = weight(localParts) >= weight(serverParts);
}

bool ZUStartUpProcess::startUpdater(const VersionInfo& info)
{
    const QString program = updaterPath();
    if (!QProcess::startDetached(program, { info.url, info.version })) {
        qWarning().noquote() << "****start updater fail: " + program;
        return false;
    }
    qDebug().noquote() << "start updater " + info.version;
    return true;
}

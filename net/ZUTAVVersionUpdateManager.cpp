#include "ZUTAVVersionUpdateManager.h"

#include "CodeTool.h"
#include "TAVDatabase.h"
#include "TAVNetEvent.h"
#include "TAV_AppInfo.h"

#include <QJsonDocument>
#include <QJsonObject>

ZUTAVVersionUpdateManager::ZUTAVVersionUpdateManager(QObject* parent)
    : QObject(parent)
{
}

QString ZUTAVVersionUpdateManager::serviceAddress()
{
    return QStringLiteral("http://version.dovane.cn");
}

QString ZUTAVVersionUpdateManager::requestUrl(const QString& localVersion)
{
    // The key stands in the query itself and inside the signed text; no second key is appended.
    const QString query = "name=dovane_pctavclient&platform=PC&version=" + localVersion + "&" + TAVNetEvent::signKey();
    return serviceAddress() + "/bizserver/version/get?" + query + "&sign=" + CodeTool::md5Hex(query);
}

VersionInfo ZUTAVVersionUpdateManager::checkVersion()
{
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getReadDbCon();
    const QString localVersion = TAV_AppInfo::getInstance()->selectVersion(db);
    database->closeDbCon(db);

    VersionInfo info;
    QByteArray reply;
    if (TAVNetEvent::getInstance()->get(requestUrl(localVersion), -1, reply) == 200) {
        QMap<QString, QString> values;
        parseVersion(QString::fromUtf8(reply), values, info.forceupdate);
        info.version = values.value(QStringLiteral("version"));
        info.url = values.value(QStringLiteral("url"));
    }
    return info;
}

void ZUTAVVersionUpdateManager::parseVersion(const QString& text, QMap<QString, QString>& values, bool& forceupdate)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return;
    const QJsonObject result = document.object().value(QStringLiteral("result")).toObject();
    values.insert(QStringLiteral("version"), result.value(QStringLiteral("version")).toString());
    values.insert(QStringLiteral("url"), result.value(QStringLiteral("url")).toString());
    forceupdate = result.value(QStringLiteral("forceupdate")).toBool(false);
}

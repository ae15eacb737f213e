#include "TavProxySetting.h"

#include <QDebug>
#include <QNetworkProxy>

bool TavProxySetting::apply()
{
    const QString setting = qEnvironmentVariable("TAV_HTTP_PROXY").trimmed();
    const int colon = setting.lastIndexOf(':');
    bool ok = false;
    const int port = colon > 0 ? setting.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535) {
        if (!setting.isEmpty())
            qWarning().noquote() << "****TAV_HTTP_PROXY is not host:port: " + setting;
        return false;
    }
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, setting.left(colon), static_cast<quint16>(port)));
    qDebug().noquote() << "http proxy " + setting;
    return true;
}

#include "TAVNetCheck.h"

#include "iniParse.h"

#include <QDebug>
#include <QNetworkProxy>
#include <QTcpSocket>

TAVNetCheck::TAVNetCheck()
    : m_socket(new QTcpSocket(this))
    , m_hosts(builtInHosts())
    , m_ports(builtInPorts())
{
}

QStringList TAVNetCheck::builtInHosts()
{
    return { QStringLiteral("tav1.dovane.cn"), QStringLiteral("tav2.dovane.cn") };
}

QStringList TAVNetCheck::builtInPorts()
{
    return { QStringLiteral("8801"), QStringLiteral("8801") };
}

bool TAVNetCheck::applyProxySetting()
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

QString TAVNetCheck::getHost() const
{
    return iniParse::getInstance()->getDomain();
}

int TAVNetCheck::getPort() const
{
    return iniParse::getInstance()->getServerPort();
}

void TAVNetCheck::setServerList(const QStringList& hosts, const QStringList& ports, int timeoutMs)
{
    m_hosts = hosts;
    m_ports = ports;
    m_timeoutMs = timeoutMs;
}

void TAVNetCheck::findServer()
{
    for (int i = 0; i < m_hosts.size() && i < m_ports.size(); ++i) {
        const int port = m_ports.at(i).toInt();
        m_socket->abort();
        m_socket->connectToHost(m_hosts.at(i), static_cast<quint16>(port), QIODevice::ReadWrite,
                                QAbstractSocket::AnyIPProtocol);
        if (m_socket->waitForConnected(m_timeoutMs)) {
            m_probedHost = m_hosts.at(i);
            m_probedPort = port;
            return;
        }
    }
}

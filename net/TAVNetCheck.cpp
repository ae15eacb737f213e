#include "TAVNetCheck.h"

#include "iniParse.h"

#include <QDebug>
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

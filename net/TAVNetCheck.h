#pragma once

#include "Singleton.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QTcpSocket;

// Where the web service is: host and port of the ini file. At start-up it also probes the built-in
// server list and remembers the first host that accepts a TCP connection.
class TAVNetCheck : public QObject
{
    Q_OBJECT
public:
    static TAVNetCheck* getInstance() { return TavSingleton<TAVNetCheck>::instance(); }

    static constexpr int kProbeTimeoutMs = 30000;

    QString getHost() const;
    int getPort() const;

    void findServer();

    QString probedHost() const { return m_probedHost; }
    int probedPort() const { return m_probedPort; }

    // The built-in list, as parallel lists of hosts and port texts.
    static QStringList builtInHosts();
    static QStringList builtInPorts();
    // Replaces the list that findServer tries (tests).
    void setServerList(const QStringList& hosts, const QStringList& ports, int timeoutMs = kProbeTimeoutMs);

private:
    friend class TavSingleton<TAVNetCheck>;
    TAVNetCheck();

    QString m_probedHost;
    int m_probedPort = 0;
    QTcpSocket* m_socket;
    QStringList m_hosts;
    QStringList m_ports;
    int m_timeoutMs = kProbeTimeoutMs;
};

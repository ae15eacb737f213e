#pragma once

#include "WebServiceState.h"

#include <QObject>

class QTcpServer;
class QTcpSocket;

// Lives in the service's thread: accepts connections, parses HTTP/1.1 requests and writes replies.
class WebServiceServer : public QObject
{
    Q_OBJECT
public:
    explicit WebServiceServer(WebServiceState* state);

public:
    quint16 listen(quint16 port);
    void close();

signals:
    void requestReceived(const WebRequest& request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    bool handleOne(QTcpSocket* socket, QByteArray& buffer);
    // The body in the chunks of Transfer-Encoding chunked, ended by the empty one.
    static QByteArray chunked(const QByteArray& body);
    static void finish(QTcpSocket* socket, const QByteArray& body);
    static void sendFiller(QTcpSocket* socket, qint64 size);
    static void trickle(QTcpSocket* socket, const QByteArray& body, int intervalMs);

    WebServiceState* m_state;
    QTcpServer* m_server = nullptr;
};

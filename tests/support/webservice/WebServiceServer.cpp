#include "WebServiceServer.h"

#include "WebServiceRoutes.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

const char* kBufferProperty = "tavBuffer";
const char* kTunnelProperty = "tavTunnel";

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

WebServiceServer::WebServiceServer(WebServiceState* state)
    : m_state(state)
{
}

quint16 WebServiceServer::listen(quint16 port)
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        // The service may itself be the application proxy; its own sockets never go through one.
        m_server->setProxy(QNetworkProxy::NoProxy);
        connect(m_server, &QTcpServer::newConnection, this, &WebServiceServer::onNewConnection);
    }
    if (!m_server->isListening() && !m_server->listen(QHostAddress::LocalHost, port))
        return 0;
    return m_server->serverPort();
}

void WebServiceServer::close()
{
    if (m_server)
        m_server->close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>())
        socket->abort();
}

void WebServiceServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        {
            QMutexLocker lock(&m_state->mutex);
            ++m_state->connections;
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void WebServiceServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray buffer = socket->property(kBufferProperty).toByteArray() + socket->readAll();
    if (socket->property(kTunnelProperty).toBool())
        return; // a probe's tunnel: whatever comes through is dropped
    while (handleOne(socket, buffer)) { }
    socket->setProperty(kBufferProperty, buffer);
}

// Handles the first complete request of the buffer; false when more bytes are needed or the socket is done.
bool WebServiceServer::handleOne(QTcpSocket* socket, QByteArray& buffer)
{
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    QMap<QByteArray, QByteArray> headers;
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const int length = headers.value("content-length").toInt();
    if (buffer.size() < headerEnd + 4 + length)
        return false;

    WebRequest request;
    request.method = QString::fromLatin1(requestLine.value(0));
    request.rawBody = buffer.mid(headerEnd + 4, length);
    request.headers = headers;
    buffer.remove(0, headerEnd + 4 + length);
    const QByteArray target = requestLine.value(1);

    if (request.method == "CONNECT") {
        request.host = QString::fromLatin1(target);
        request.path = QStringLiteral("CONNECT");
        request.viaProxy = true;
        WebResponse response = WebServiceRoutes::handle(*m_state, request);
        emit requestReceived(request);
        if (response.noAnswer)
            return false;
        if (response.status == 200) {
            socket->setProperty(kTunnelProperty, true);
            socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
        } else {
            socket->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        }
        return false;
    }

    QByteArray pathAndQuery = target;
    if (target.startsWith("http://")) {
        const int slash = target.indexOf('/', 7);
        request.host = QString::fromLatin1(target.mid(7, slash < 0 ? -1 : slash - 7));
        pathAndQuery = slash < 0 ? QByteArray("/") : target.mid(slash);
        request.viaProxy = true;
    } else {
        request.host = QString::fromLatin1(headers.value("host"));
    }
    const int question = pathAndQuery.indexOf('?');
    request.path
        = QString::fromUtf8(QByteArray::fromPercentEncoding(question < 0 ? pathAndQuery : pathAndQuery.left(question)));
    request.query = question < 0 ? QByteArray() : pathAndQuery.mid(question + 1);
    request.params = WebServiceRoutes::decodeForm(request.method == "POST" ? request.rawBody : request.query);

    const WebResponse response = WebServiceRoutes::handle(*m_state, request);
    emit requestReceived(request);
    if (response.noAnswer)
        return false; // the connection hangs until the client gives up

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " + reasonPhrase(response.status)
        + "\r\nContent-Type: " + response.contentType + "\r\nConnection: close\r\n";
    // Filler goes without a length unless announced: the client then learns the size only by reading it.
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (response.fillerSize < 0)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    else if (response.fillerAnnounced)
        head += "Content-Length: " + QByteArray::number(response.fillerSize) + "\r\n";
    for (const auto& header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    socket->write(head + "\r\n");
    if (response.fillerSize >= 0)
        sendFiller(socket, response.fillerSize);
    else if (response.trickleMs > 0)
        trickle(socket, response.body, response.trickleMs);
    else if (response.chunked)
        finish(socket, chunked(response.body));
    else
        finish(socket, response.body);
    return false;
}

QByteArray WebServiceServer::chunked(const QByteArray& body)
{
    const int size = 64 * 1024;
    QByteArray out;
    for (int at = 0; at < body.size(); at += size) {
        const QByteArray piece = body.mid(at, size);
        out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

void WebServiceServer::finish(QTcpSocket* socket, const QByteArray& body)
{
    socket->write(body);
    socket->disconnectFromHost();
}

// Filler goes out as the client takes it, so a body of gigabytes is never held here.
void WebServiceServer::sendFiller(QTcpSocket* socket, qint64 size)
{
    auto remaining = std::make_shared<qint64>(size);
    auto refill = [socket, remaining] {
        static const QByteArray chunk(64 * 1024, 'x');
        while (*remaining > 0 && socket->bytesToWrite() < 4 * chunk.size()) {
            const qint64 n = qMin<qint64>(*remaining, chunk.size());
            socket->write(chunk.constData(), n);
            *remaining -= n;
        }
        if (*remaining == 0) {
            *remaining = -1;
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void WebServiceServer::trickle(QTcpSocket* socket, const QByteArray& body, int intervalMs)
{
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, socket, [socket, timer, body, sent] {
        if (*sent >= body.size()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(body.mid((*sent)++, 1));
    });
    timer->start(intervalMs);
}

#include "Rf21xControlChannel.h"

#include "Rf21xSimulator.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

namespace {

const int kMaxLineLength = 4096;

QMutex s_mutex;
QThread* s_thread = nullptr;
bool s_started = false;

// A client that sends no line end within this many bytes is not talking our protocol.
void refuseLongLine(QLocalSocket* socket)
{
    socket->write("ERR line too long\n");
    socket->disconnectFromServer();
}

} // namespace

QString Rf21xControlChannel::socketPath()
{
    const QString fromEnvironment = qEnvironmentVariable("TAV_RF21X_SOCKET");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/rf21x-sim.sock");
}

void Rf21xControlChannel::start()
{
    QMutexLocker locker(&s_mutex);
    if (s_started || !QCoreApplication::instance())
        return;
    s_started = true;
    s_thread = new QThread();
    s_thread->setObjectName(QStringLiteral("rf21x-control"));
    auto* channel = new Rf21xControlChannel(socketPath());
    channel->moveToThread(s_thread);
    connect(s_thread, &QThread::started, channel, &Rf21xControlChannel::listen);
    connect(s_thread, &QThread::finished, channel, &QObject::deleteLater);
    s_thread->start();
    qAddPostRoutine(&Rf21xControlChannel::stop);
}

void Rf21xControlChannel::stop()
{
    QMutexLocker locker(&s_mutex);
    if (!s_thread)
        return;
    // Ending the thread deletes the channel, whose server removes the socket file.
    s_thread->quit();
    s_thread->wait();
    delete s_thread;
    s_thread = nullptr;
}

Rf21xControlChannel::Rf21xControlChannel(const QString& path)
    : m_path(path)
{
}

void Rf21xControlChannel::listen()
{
    // A socket file that still answers belongs to another running receiver: leave it alone.
    QLocalSocket probe;
    probe.connectToServer(m_path);
    if (probe.waitForConnected(200)) {
        probe.disconnectFromServer();
        qWarning() << "****rf21x control channel already served at" << m_path;
        return;
    }
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path)) {
        qWarning() << "****rf21x control channel cannot listen at" << m_path << ":" << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &Rf21xControlChannel::acceptConnections);
    qDebug() << "rf21x control channel listening at" << m_path;
}

void Rf21xControlChannel::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [socket]() {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(kMaxLineLength + 1);
                if (!line.endsWith('\n'))
                    return refuseLongLine(socket);
                socket->write(Rf21xSimulator::instance()->execute(line.trimmed()) + '\n');
            }
            if (socket->bytesAvailable() >= kMaxLineLength)
                refuseLongLine(socket);
        });
    }
}

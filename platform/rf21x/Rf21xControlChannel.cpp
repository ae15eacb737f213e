#include "Rf21xControlChannel.h"

#include "Rf21xSimulator.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

namespace {

const int kMaxLineLength = 4096;
const int kRelistenMs = 1000;
const int kListenWaitMs = 5000;

QMutex s_mutex;
QThread* s_thread = nullptr;
bool s_started = false;
// Released when the channel has listened and said so.
QSemaphore s_listened;

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

QString Rf21xControlChannel::numbersPath()
{
    const QFileInfo socket(socketPath());
    return socket.dir().filePath(socket.completeBaseName() + QStringLiteral(".keypads"));
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
    // What it logs as it starts is logged before start returns, never after its starter has ended and closed its
    // log. Listening takes a moment: a socket file nobody serves refuses at once. A thread that never runs leaves
    // the channel silent, and the program goes on.
    s_listened.tryAcquire(1, kListenWaitMs);
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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &Rf21xControlChannel::acceptConnections);
    QString reason;
    if (takeSocket(&reason) != Listening) {
        qWarning().noquote() << "****rf21x control channel" << reason;
        s_listened.release();
        return;
    }
    qDebug() << "rf21x control channel listening at" << m_path;
    s_listened.release();
    // QLocalServer stops listening for good when one accept fails (out of file handles, say).
    m_watch = new QTimer(this);
    m_watch->setInterval(kRelistenMs);
    connect(m_watch, &QTimer::timeout, this, &Rf21xControlChannel::listenAgainWhenLost);
    m_watch->start();
}

void Rf21xControlChannel::listenAgainWhenLost()
{
    // A failed accept closes the server's socket and removes its file, while isListening() stays true; a file
    // removed by someone else leaves clients just as unable to reach us.
    if (QFileInfo::exists(m_path))
        return;
    if (!m_lost) {
        qWarning().noquote() << "****rf21x control channel stopped listening:" << m_server->errorString();
        m_lost = true;
    }
    m_server->close();
    QString reason;
    const Outcome outcome = takeSocket(&reason);
    if (outcome == Listening) {
        qDebug() << "rf21x control channel listening again at" << m_path;
        m_lost = false;
    } else if (outcome == ServedElsewhere) {
        // Another receiver took the socket meanwhile: it is theirs now.
        qWarning().noquote() << "****rf21x control channel" << reason;
        m_watch->stop();
    }
}

Rf21xControlChannel::Outcome Rf21xControlChannel::takeSocket(QString* reason)
{
    // A socket file that still answers belongs to another running receiver: leave it alone.
    QLocalSocket probe;
    probe.connectToServer(m_path);
    if (probe.waitForConnected(200)) {
        probe.disconnectFromServer();
        *reason = QStringLiteral("already served at ") + m_path;
        return ServedElsewhere;
    }
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        *reason = QStringLiteral("cannot listen at %1: %2").arg(m_path, m_server->errorString());
        return Failed;
    }
    return Listening;
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
                // A client that sends and never reads would have its replies kept without end.
                if (socket->bytesToWrite() > kMaxUnreadReplyBytes) {
                    qWarning() << "****rf21x control channel drops a client that does not read its replies";
                    return socket->abort();
                }
            }
            if (socket->bytesAvailable() >= kMaxLineLength)
                refuseLongLine(socket);
        });
    }
}

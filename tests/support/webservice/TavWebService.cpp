#include "TavWebService.h"

#include "CompressedBody.h"

#include "WebServiceRoutes.h"
#include "WebServiceServer.h"
#include "WebServiceState.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QNetworkProxy>
#include <QThread>

const char* TavWebService::signKey()
{
    return "7e3a90c41bd8f25a06c9e1b47d2f8a53";
}

QString TavWebService::md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString TavWebService::defaultDataFile()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/webservice/demo.json");
}

TavWebService::TavWebService(QObject* parent)
    : QObject(parent)
    , m_state(new WebServiceState)
{
    qRegisterMetaType<WebRequest>();
}

TavWebService::~TavWebService()
{
    stop();
    delete m_state;
}

bool TavWebService::loadDataFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return false;
    setData(document.object());
    QMutexLocker lock(&m_state->mutex);
    m_state->paperPictureDir = QFileInfo(fileName).absolutePath() + QStringLiteral("/paper/");
    return true;
}

void TavWebService::setData(const QJsonObject& data)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->data = data;
    m_state->pictures.clear();
    m_state->bindings = QJsonArray();
}

QJsonObject TavWebService::data() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->data;
}

bool TavWebService::setBindingsFile(const QString& fileName)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->bindingsFile = fileName;
    QFile file(fileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isArray())
        return false;
    for (const QJsonValue& binding : document.array()) {
        if (WebServiceRoutes::applyBinding(*m_state, binding.toObject()))
            m_state->bindings.append(binding);
    }
    return true;
}

void TavWebService::setServedKeyFile(const QString& fileName)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->servedKeyFile = fileName;
}

bool TavWebService::start(quint16 port)
{
    if (m_thread)
        return m_port != 0;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("TavWebService"));
    m_server = new WebServiceServer(m_state);
    m_server->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &WebServiceServer::requestReceived, this, &TavWebService::requestReceived);
    m_thread->start();
    WebServiceServer* server = m_server;
    quint16 bound = 0;
    QMetaObject::invokeMethod(
        server, [server, port, &bound] { bound = server->listen(port); }, Qt::BlockingQueuedConnection);
    m_port = bound;
    return m_port != 0;
}

void TavWebService::stop()
{
    if (!m_thread)
        return;
    WebServiceServer* server = m_server;
    QMetaObject::invokeMethod(
        server, [server] { server->close(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_server = nullptr;
    m_port = 0;
}

quint16 TavWebService::port() const
{
    return m_port;
}

QString TavWebService::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void TavWebService::useAsApplicationProxy() const
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_port));
}

void TavWebService::setFailure(const QString& path, WebFailure failure, const QString& errorCode)
{
    QMutexLocker lock(&m_state->mutex);
    if (failure == WebFailure::None)
        m_state->failures.remove(path);
    else {
        FailureSetting setting;
        setting.failure = failure;
        setting.errorCode = errorCode;
        m_state->failures.insert(path, setting);
    }
}

void TavWebService::setCannedReply(const QString& path, int status, const QByteArray& body)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->canned.insert(path, { status, body, QByteArrayLiteral("text/html;charset=UTF-8") });
}

void TavWebService::setTrickledReply(const QString& path, int intervalMs)
{
    QMutexLocker lock(&m_state->mutex);
    FailureSetting setting;
    setting.failure = WebFailure::Trickle;
    setting.trickleMs = intervalMs;
    m_state->failures.insert(path, setting);
}

void TavWebService::setOversizedReply(const QString& path, qint64 bytes, bool announced)
{
    QMutexLocker lock(&m_state->mutex);
    FailureSetting setting;
    setting.failure = WebFailure::Oversized;
    setting.size = bytes;
    setting.announced = announced;
    m_state->failures.insert(path, setting);
}

void TavWebService::setCompressedReply(const QString& path, qint64 inflatedBytes, const QByteArray& encoding,
                                       bool chunked)
{
    FailureSetting setting;
    setting.failure = WebFailure::Compressed;
    setting.encoding = encoding;
    setting.body = CompressedBody::zeros(inflatedBytes, encoding);
    setting.chunked = chunked;
    QMutexLocker lock(&m_state->mutex);
    m_state->failures.insert(path, setting);
}

void TavWebService::reshapeReply(const QString& path, const QString& member, const QJsonValue& value)
{
    QMutexLocker lock(&m_state->mutex);
    FailureSetting& setting = m_state->failures[path];
    if (setting.failure != WebFailure::Reshaped) {
        setting = FailureSetting();
        setting.failure = WebFailure::Reshaped;
    }
    setting.changes.append({ member, value });
}

QJsonObject TavWebService::reshaped(const QJsonObject& object, const QString& member, const QJsonValue& value)
{
    return WebServiceRoutes::reshaped(object, member.split('/'), 0, value).toObject();
}

void TavWebService::clearFailures()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->failures.clear();
    m_state->canned.clear();
}

void TavWebService::setStaticFile(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->files.insert(path, { 200, body, contentType });
}

void TavWebService::setVersionReply(const QString& version, const QString& url, bool forceUpdate)
{
    QMutexLocker lock(&m_state->mutex);
    QJsonObject reply;
    reply.insert(QStringLiteral("version"), version);
    reply.insert(QStringLiteral("url"), url);
    reply.insert(QStringLiteral("forceupdate"), forceUpdate);
    m_state->data.insert(QStringLiteral("version"), reply);
}

QList<WebRequest> TavWebService::requests() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

QList<WebRequest> TavWebService::requestsTo(const QString& path) const
{
    QMutexLocker lock(&m_state->mutex);
    QList<WebRequest> matching;
    for (const WebRequest& request : m_state->requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

void TavWebService::clearRequests()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->requests.clear();
}

QList<UploadedDocument> TavWebService::uploadedDocuments() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->uploads;
}

void TavWebService::clearUploads()
{
    QMutexLocker lock(&m_state->mutex);
    m_state->uploads.clear();
}

int TavWebService::connectionCount() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->connections;
}

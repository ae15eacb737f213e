#include "TAVNetManager.h"

#include "TAVNetCheck.h"
#include "TAVNetEvent.h"
#include "TavReplyLimit.h"

#include <QDebug>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

TAVNetManager::TAVNetManager()
{
    connect(this, &QNetworkAccessManager::finished, this, &TAVNetManager::replyFinished);
}

QString TAVNetManager::serverUrl(const QString& path)
{
    TAVNetCheck* check = TAVNetCheck::getInstance();
    return QStringLiteral("http://") + check->getHost() + ":" + QString::number(check->getPort()) + path;
}

QNetworkReply* TAVNetManager::post(const QString& path, const QByteArray& body, int timeoutMs)
{
    QNetworkRequest request = TavReplyLimit::plainRequest(QUrl(serverUrl(path), QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    QNetworkReply* reply = QNetworkAccessManager::post(request, body);
    track(reply, timeoutMs);
    return reply;
}

QNetworkReply* TAVNetManager::get(const QString& url, int timeoutMs)
{
    QNetworkRequest request = TavReplyLimit::plainRequest(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    QNetworkReply* reply = QNetworkAccessManager::get(request);
    track(reply, timeoutMs);
    return reply;
}

void TAVNetManager::track(QNetworkReply* reply, int timeoutMs)
{
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &TAVNetManager::handleTimeOut);
    // The body is read as it comes, within the cap, so a fast reply to a busy interface never piles up.
    new TavReplyLimit(reply, kMaxReplyBytes);
    m_timers.insert(timer, reply);
    const int ms = timeoutMs == -1 ? kDefaultTimeoutMs : timeoutMs;
    timer->start(ms);
    emit requestStarted(reply->url(), ms);
}

void TAVNetManager::replyFinished(QNetworkReply* reply)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it.value() == reply) {
            it.key()->stop();
            it.key()->deleteLater();
            m_timers.erase(it);
            break;
        }
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    auto* limit = TavReplyLimit::of(reply);
    reply->deleteLater();
    if (!limit) {
        TAVNetEvent::getInstance()->setResult(reply, -1, QByteArray());
        return;
    }
    limit->takeAvailable();
    if (limit->exceeded()) {
        qWarning().noquote()
            << QString("****reply refused, %1: %2").arg(limit->refusal(), reply->url().toString(QUrl::RemoveQuery));
        TAVNetEvent::getInstance()->setResult(reply, TAVNetEvent::ReplyTooLarge, QByteArray());
        return;
    }
    // A reply cut short (given up at its time-out, or its connection lost) keeps the status its headers brought:
    // only the reply's error tells that its body is not whole.
    const bool cut
        = reply->error() != QNetworkReply::NoError && reply->error() < QNetworkReply::ProxyConnectionRefusedError;
    if (cut && status != 0) {
        qWarning().noquote() << QString("****reply cut short, %1: %2")
                                    .arg(reply->errorString(), reply->url().toString(QUrl::RemoveQuery));
    }
    TAVNetEvent::getInstance()->setResult(reply, status == 200 && !cut ? 200 : -1, limit->body());
}

void TAVNetManager::handleTimeOut()
{
    auto* timer = qobject_cast<QTimer*>(sender());
    QNetworkReply* reply = m_timers.value(timer, nullptr);
    if (!reply)
        return;
    qDebug() << "net timeout, abort reply";
    // Aborting finishes the reply at once; the caller gets -1 whether its headers had come or not.
    reply->abort();
}

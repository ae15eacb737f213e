#include "TavReplyLimit.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

TavReplyLimit::TavReplyLimit(QNetworkReply* reply, qint64 maxBytes, Sink sink)
    : QObject(reply)
    , m_reply(reply)
    , m_maxBytes(maxBytes)
    , m_sink(std::move(sink))
{
    reply->setReadBufferSize(kReadBufferBytes);
    // A reply that sends a body (a POST) starts its transfer from the event loop; a bound set before that never
    // reaches the transfer, which then takes the whole body into memory. Set again once it has started, it does.
    QMetaObject::invokeMethod(
        this, [reply] { reply->setReadBufferSize(kReadBufferBytes); }, Qt::QueuedConnection);
    connect(reply, &QNetworkReply::metaDataChanged, this, &TavReplyLimit::checkHeaders);
    connect(reply, &QNetworkReply::readyRead, this, &TavReplyLimit::takeAvailable);
}

QNetworkRequest TavReplyLimit::plainRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

TavReplyLimit* TavReplyLimit::of(const QNetworkReply* reply)
{
    return reply ? reply->findChild<TavReplyLimit*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void TavReplyLimit::checkHeaders()
{
    if (!m_refusal.isEmpty())
        return;
    const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity") {
        m_exceeded = true;
        giveUp(QString("sent with Content-Encoding %1, its size unknown until inflated")
                   .arg(QString::fromLatin1(encoding.left(40))));
        return;
    }
    if (m_maxBytes < 0)
        return;
    bool known = false;
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > m_maxBytes) {
        m_exceeded = true;
        giveUp(QString("%1 bytes announced, more than %2").arg(announced).arg(m_maxBytes));
    }
}

void TavReplyLimit::takeAvailable()
{
    // An aborted reply is closed: there is nothing left to read.
    if (!m_refusal.isEmpty() || !m_reply->isOpen())
        return;
    checkHeaders();
    if (!m_refusal.isEmpty())
        return;
    while (m_reply->bytesAvailable() > 0) {
        const QByteArray piece = m_reply->read(kReadBufferBytes);
        if (piece.isEmpty())
            return;
        if (m_maxBytes >= 0 && m_taken + piece.size() > m_maxBytes) {
            m_exceeded = true;
            giveUp(QString("more than %1 bytes").arg(m_maxBytes));
            return;
        }
        m_taken += piece.size();
        if (!m_sink) {
            m_body.append(piece);
        } else if (!m_sink(piece)) {
            m_sinkFailed = true;
            giveUp(QStringLiteral("the body could not be kept"));
            return;
        }
    }
}

void TavReplyLimit::giveUp(const QString& why)
{
    m_refusal = why;
    m_reply->abort();
}

#include "TavReplyLimit.h"

#include <QNetworkReply>
#include <QNetworkRequest>

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
    connect(reply, &QNetworkReply::metaDataChanged, this, &TavReplyLimit::checkAnnouncedLength);
    connect(reply, &QNetworkReply::readyRead, this, &TavReplyLimit::takeAvailable);
}

TavReplyLimit* TavReplyLimit::of(const QNetworkReply* reply)
{
    return reply ? reply->findChild<TavReplyLimit*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void TavReplyLimit::checkAnnouncedLength()
{
    if (m_maxBytes < 0 || !m_refusal.isEmpty())
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
    checkAnnouncedLength();
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

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QNetworkReply;
class QNetworkRequest;
class QUrl;

// Keeps the body of a reply within a size however fast it comes and however late its thread reads it: a body
// announced larger is refused before any of it arrives, the reply holds at most kReadBufferBytes unread (the
// transfer waits for the reader instead of filling the memory), and no byte past the size is ever taken.
// A reply over its size, or whose sink refuses a piece, is aborted, which finishes it. So is a compressed reply:
// its inflated size is known only once inflated, so it is refused before any of its body is read.
class TavReplyLimit : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kReadBufferBytes = 256 * 1024;
    // Takes the next piece of the body; false when it cannot be kept (a full disk).
    using Sink = std::function<bool(const QByteArray&)>;

    // Watches a reply that was just sent, as its child. maxBytes -1: no size, only the read buffer. Without a
    // sink the body is kept here.
    TavReplyLimit(QNetworkReply* reply, qint64 maxBytes, Sink sink = nullptr);
    // A request for url that asks for the body as it is: without it Qt asks for gzip itself and inflates the whole
    // body out of reach of any limit.
    static QNetworkRequest plainRequest(const QUrl& url);
    // The limit watching the reply; null when none does.
    static TavReplyLimit* of(const QNetworkReply* reply);

    // Takes whatever the reply holds; also what comes with its finished(), before a reader of the body.
    void takeAvailable();

    bool exceeded() const { return m_exceeded; }
    bool sinkFailed() const { return m_sinkFailed; }
    // Why the reply was given up, for the log; empty while it keeps within its bounds.
    QString refusal() const { return m_refusal; }
    qint64 taken() const { return m_taken; }
    // The body so far, when no sink takes it.
    QByteArray body() const { return m_body; }

private:
    // Refuses, from the headers alone, a body announced too large or sent compressed.
    void checkHeaders();
    void giveUp(const QString& why);

    QNetworkReply* m_reply;
    qint64 m_maxBytes;
    Sink m_sink;
    QByteArray m_body;
    qint64 m_taken = 0;
    bool m_exceeded = false;
    bool m_sinkFailed = false;
    QString m_refusal;
};

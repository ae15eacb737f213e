#pragma once

#include "Singleton.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class QEventLoop;
class QNetworkReply;

// The blocking call of the interface thread: sends a request through TAVNetManager and waits in a nested
// event loop that keeps user input out while painting, timers and queued signals go on.
// Result: 200 when the server answered with HTTP status 200 and its whole body came, otherwise -1 (other status,
// network error, refused connection, time-out, also one after the headers came); the body read is handed back in
// every case. A body larger than TAVNetManager::kMaxReplyBytes (refused by its
// announced length before it comes), or one sent compressed, whose inflated size is unknown: ReplyTooLarge with an
// empty body.
class TAVNetEvent : public QObject
{
    Q_OBJECT
public:
    static TAVNetEvent* getInstance() { return TavSingleton<TAVNetEvent>::instance(); }

    static constexpr int ReplyTooLarge = -2;

    // The application signing key: a request's "sign" is the MD5 text of its signed text + "&" + this key.
    static QString signKey();
    // MD5 text of signedText + "&" + key.
    static QString sign(const QString& signedText);

    // timeoutMs -1 means 5000 ms.
    int post(const QString& path, const QByteArray& body, int timeoutMs, QByteArray& reply);
    int post(const QString& path, const QByteArray& body, QByteArray& reply, int timeoutMs);
    int get(const QString& url, int timeoutMs, QByteArray& reply);

    // Ends the wait of the call that sent this reply.
    void setResult(QNetworkReply* reply, int code, const QByteArray& body);

    QByteArray lastReply() const { return m_lastReply; }

private:
    friend class TavSingleton<TAVNetEvent>;
    TAVNetEvent() = default;

    struct Waiter
    {
        QEventLoop* loop = nullptr;
        int code = -1;
        QByteArray body;
        bool done = false;
    };

    int wait(QNetworkReply* reply, QByteArray& out);

    // One waiter per call in flight; nested calls each wait for their own reply.
    QHash<QNetworkReply*, Waiter*> m_waiters;
    QByteArray m_lastReply;
};

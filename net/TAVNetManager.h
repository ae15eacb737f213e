#pragma once

#include "Singleton.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QString>

class QTimer;
class QUrl;

// Sends the interface thread's requests to the web service and owns their time-outs. Every request has
// its own timer, so a request started while another waits (from a timer inside the nested loop) never
// takes over the one in flight.
class TAVNetManager : public QNetworkAccessManager
{
    Q_OBJECT
public:
    static TAVNetManager* getInstance() { return TavSingleton<TAVNetManager>::instance(); }

    static constexpr int kDefaultTimeoutMs = 5000;
    // Far above any real reply (a school's whole roster is well under 1 MiB): a larger body is refused, by its
    // announced length before it comes, so a broken server cannot fill the memory or hold the interface for long.
    static constexpr qint64 kMaxReplyBytes = 16 * 1024 * 1024;

    // "http://" + configured host + ":" + configured port + path, read anew on every call.
    static QString serverUrl(const QString& path);

    // Start the request and its timer; the reply's end reaches TAVNetEvent::setResult.
    QNetworkReply* post(const QString& path, const QByteArray& body, int timeoutMs);
    QNetworkReply* get(const QString& url, int timeoutMs);

signals:
    // A request went out with this time-out (ms) before it is given up.
    void requestStarted(const QUrl& url, int timeoutMs);

private slots:
    void replyFinished(QNetworkReply* reply);
    void handleTimeOut();

private:
    friend class TavSingleton<TAVNetManager>;
    TAVNetManager();

    void track(QNetworkReply* reply, int timeoutMs);

    QHash<QTimer*, QNetworkReply*> m_timers;
};

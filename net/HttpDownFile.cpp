#include "HttpDownFile.h"

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

HttpDownFile::HttpDownFile()
    : manager(new QNetworkAccessManager(this))
{
}

bool HttpDownFile::downFile(const QString& localPath, const QString& url, qint64 maxBytes, int deadlineMs,
                            const std::function<bool()>& goOn)
{
    QFile file(localPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning().noquote() << "****cannot open the download file " + localPath;
        return false;
    }

    QNetworkReply* reply = manager->get(QNetworkRequest(QUrl(url, QUrl::TolerantMode)));
    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    bool stalled = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    // Why a capped download was given up; empty while it runs within its caps.
    QString overCap;

    // Everything below is bound to this call's reply and file; the loop ends only on the reply's own
    // finished(), after which the reply sends nothing more.
    connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        file.write(reply->readAll());
        stall.start(m_stallTimeoutMs);
    });
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpDownFile::updateDataReadProgress);
    if (maxBytes >= 0) {
        connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
            if (overCap.isEmpty() && (received > maxBytes || total > maxBytes)) {
                overCap = QString("more than %1 bytes").arg(maxBytes);
                reply->abort();
            }
        });
    }
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        overCap = QString("not done within %1 ms").arg(deadlineMs);
        reply->abort();
    });
    // The loop holds the user's input back; the caller's question is where it takes it in.
    QTimer ask;
    connect(&ask, &QTimer::timeout, &loop, [&] {
        if (overCap.isEmpty() && !reply->isFinished() && !goOn()) {
            overCap = QStringLiteral("no longer wanted");
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, &loop, [&] { loop.exit(0); });
    connect(&stall, &QTimer::timeout, &loop, [&] {
        stalled = true;
        reply->abort();
    });
    stall.start(m_stallTimeoutMs);
    if (deadlineMs >= 0)
        deadline.start(deadlineMs);
    if (goOn)
        ask.start(kAskMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    stall.stop();
    deadline.stop();
    ask.stop();

    // An aborted reply is closed: there is nothing left to read.
    if (reply->isOpen())
        file.write(reply->readAll());
    file.flush();
    file.close();
    if (!overCap.isEmpty()) {
        qWarning().noquote() << "****download given up, " + overCap + ": " + url;
        file.remove();
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool httpOk = !status.isValid() || (status.toInt() >= 200 && status.toInt() < 300);
    const bool ok = reply->error() == QNetworkReply::NoError && httpOk && !stalled && overCap.isEmpty();
    if (!ok && overCap.isEmpty()) {
        qWarning().noquote() << QString("****download failed (%1, status %2): %3")
                                    .arg(stalled ? QStringLiteral("no data") : reply->errorString())
                                    .arg(status.toInt())
                                    .arg(url);
    }
    reply->disconnect(this);
    reply->disconnect(&loop);
    reply->deleteLater();
    return ok;
}

void HttpDownFile::updateDataReadProgress(qlonglong bytesRead, qlonglong totalBytes)
{
    Q_UNUSED(bytesRead)
    Q_UNUSED(totalBytes)
}

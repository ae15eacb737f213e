#include "HttpDownFile.h"

#include "TavReplyLimit.h"
#include "ZUInputWindowGuard.h"

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

    QNetworkReply* reply = manager->get(TavReplyLimit::plainRequest(QUrl(url, QUrl::TolerantMode)));
    auto* limit = new TavReplyLimit(reply, maxBytes,
                                    [&file](const QByteArray& piece) { return file.write(piece) == piece.size(); });
    bool stalled = false;
    // Why the download was given up; empty while it runs.
    QString givenUp = waitForReply(reply, deadlineMs, goOn, &stalled);

    limit->takeAvailable();
    const bool written = !limit->sinkFailed() && file.flush();
    const QString writeError = file.errorString();
    file.close();
    if (givenUp.isEmpty() && !written)
        givenUp = "cannot write " + localPath + ": " + writeError;
    if (givenUp.isEmpty())
        givenUp = limit->refusal();
    if (!givenUp.isEmpty()) {
        qWarning().noquote() << "****download given up, " + givenUp + ": " + url;
        file.remove();
    }
    const bool ok = succeeded(reply, stalled, !givenUp.isEmpty(), url);
    delete limit; // its sink writes into this call's file
    reply->disconnect(this);
    reply->deleteLater();
    return ok;
}

QString HttpDownFile::waitForReply(QNetworkReply* reply, int deadlineMs, const std::function<bool()>& goOn,
                                   bool* stalled)
{
    QString givenUp;
    QEventLoop loop;
    QTimer stall, deadline, ask;
    stall.setSingleShot(true);
    deadline.setSingleShot(true);
    // Everything below is bound to this call's reply; the loop ends only on the reply's own finished(), after
    // which the reply sends nothing more.
    connect(reply, &QNetworkReply::readyRead, &loop, [&] { stall.start(m_stallTimeoutMs); });
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpDownFile::updateDataReadProgress);
    connect(reply, &QNetworkReply::finished, &loop, [&] { loop.exit(0); });
    connect(&stall, &QTimer::timeout, &loop, [&] {
        *stalled = true;
        reply->abort();
    });
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        givenUp = QString("not done within %1 ms").arg(deadlineMs);
        reply->abort();
    });
    connect(&ask, &QTimer::timeout, &loop, [&] {
        if (givenUp.isEmpty() && !reply->isFinished() && !goOn()) {
            givenUp = QStringLiteral("no longer wanted");
            reply->abort();
        }
    });
    stall.start(m_stallTimeoutMs);
    if (deadlineMs >= 0)
        deadline.start(deadlineMs);
    if (goOn)
        ask.start(kAskMs);
    if (!reply->isFinished()) {
        // The window that takes input meanwhile gets it as it comes, so that its own controls act at once.
        ZUInputWindowGuard input(m_inputWindow);
        loop.exec(input.loopFlags());
    }
    reply->disconnect(&loop);
    return givenUp;
}

bool HttpDownFile::succeeded(QNetworkReply* reply, bool stalled, bool givenUp, const QString& url)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool httpOk = !status.isValid() || (status.toInt() >= 200 && status.toInt() < 300);
    const bool ok = reply->error() == QNetworkReply::NoError && httpOk && !stalled && !givenUp;
    if (!ok && !givenUp) {
        qWarning().noquote() << QString("****download failed (%1, status %2): %3")
                                    .arg(stalled ? QStringLiteral("no data") : reply->errorString())
                                    .arg(status.toInt())
                                    .arg(url);
    }
    return ok;
}

void HttpDownFile::updateDataReadProgress(qlonglong bytesRead, qlonglong totalBytes)
{
    Q_UNUSED(bytesRead)
    Q_UNUSED(totalBytes)
}

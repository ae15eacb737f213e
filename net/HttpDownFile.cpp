#include "HttpDownFile.h"

#include "TavReplyLimit.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

HttpDownFile::HttpDownFile()
    : manager(new QNetworkAccessManager(this))
{
}

bool HttpDownFile::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()) || !m_inputWindow)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window() != m_inputWindow;
    if (auto* window = qobject_cast<QWindow*>(watched))
        return window != m_inputWindow->windowHandle();
    return false;
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
    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    bool stalled = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    // Why the download was given up; empty while it runs.
    QString givenUp;

    // Everything below is bound to this call's reply and file; the loop ends only on the reply's own
    // finished(), after which the reply sends nothing more.
    connect(reply, &QNetworkReply::readyRead, &loop, [&] { stall.start(m_stallTimeoutMs); });
    connect(reply, &QNetworkReply::downloadProgress, this, &HttpDownFile::updateDataReadProgress);
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        givenUp = QString("not done within %1 ms").arg(deadlineMs);
        reply->abort();
    });
    QTimer ask;
    connect(&ask, &QTimer::timeout, &loop, [&] {
        if (givenUp.isEmpty() && !reply->isFinished() && !goOn()) {
            givenUp = QStringLiteral("no longer wanted");
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
    if (!reply->isFinished()) {
        // The window that takes input meanwhile gets it as it comes, so that its own controls act at once; the
        // others' input is dropped rather than held for whatever is on screen once the download ends.
        if (m_inputWindow) {
            if (m_filtering++ == 0)
                qApp->installEventFilter(this);
            loop.exec(QEventLoop::AllEvents);
            if (--m_filtering == 0)
                qApp->removeEventFilter(this);
        } else {
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    stall.stop();
    deadline.stop();
    ask.stop();

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

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool httpOk = !status.isValid() || (status.toInt() >= 200 && status.toInt() < 300);
    const bool ok = reply->error() == QNetworkReply::NoError && httpOk && !stalled && givenUp.isEmpty();
    if (!ok && givenUp.isEmpty()) {
        qWarning().noquote() << QString("****download failed (%1, status %2): %3")
                                    .arg(stalled ? QStringLiteral("no data") : reply->errorString())
                                    .arg(status.toInt())
                                    .arg(url);
    }
    delete limit; // its sink writes into this call's file
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

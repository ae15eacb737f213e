#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QNetworkReply>
#include <QPointer>
#include <QString>

#include <functional>

class QEventLoop;
class QFile;
class QNetworkAccessManager;

// Blocking download into a local file for the interface thread: the reply is written into the file as it
// arrives while a nested event loop (without user input) keeps the interface painted. The dialog is never
// shown. Each download keeps its own reply, file and loop, so a late signal of one never touches another.
class HttpDownFile : public QDialog
{
    Q_OBJECT
public:
    static HttpDownFile* getInstance() { return TavSingleton<HttpDownFile>::instance(); }

    // A transfer that receives nothing for this long is given up, so the interface never stays frozen.
    static constexpr int kStallTimeoutMs = 30000;

    // True only when the whole body arrived with a successful HTTP status and was written; the file (created or
    // truncated) keeps whatever arrived in every case. False at once, with nothing requested, when it cannot be
    // opened. With a size cap (bytes) or a deadline (ms from the call), a download that passes either is given
    // up and its partial file removed; a body announced larger than the cap is refused before it comes, and no
    // byte past the cap is written. goOn, when given, is asked every kAskMs while the transfer runs: false gives
    // the download up the same way.
    bool downFile(const QString& localPath, const QString& url, qint64 maxBytes = -1, int deadlineMs = -1,
                  const std::function<bool()>& goOn = nullptr);
    static constexpr int kAskMs = 100;

    // While set, the teacher's input reaches this window during a download (the window keeps usable only
    // what may be used meanwhile), and a box opened meanwhile; input for any other window is dropped. Unset, all
    // input waits.
    void setInputWindow(QWidget* window) { m_inputWindow = window; }

    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }

private slots:
    void updateDataReadProgress(qlonglong bytesRead, qlonglong totalBytes);

private:
    friend class TavSingleton<HttpDownFile>;
    HttpDownFile();

    // Runs the nested loop until the reply has finished; why it was given up, or empty.
    QString waitForReply(QNetworkReply* reply, int deadlineMs, const std::function<bool()>& goOn, bool* stalled);
    // Whether the reply ended whole with a successful status; a failure not given up already is logged.
    static bool succeeded(QNetworkReply* reply, bool stalled, bool givenUp, const QString& url);

    QNetworkAccessManager* manager;
    int m_stallTimeoutMs = kStallTimeoutMs;
    QPointer<QWidget> m_inputWindow;
};

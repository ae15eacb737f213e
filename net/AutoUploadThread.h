#pragma once

#include "ClassRecordRow.h"
#include "Singleton.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Sends the lesson records in the background: every period it takes the oldest stored lesson record,
// uploads what is pending of it, marks what the service accepted, and drops a closed lesson once nothing
// is left. Rows are marked or deleted only after the service confirmed; any failure leaves them for the
// next cycle. Uses its own network access and its own database connection, both made in the thread.
class AutoUploadThread : public QThread
{
    Q_OBJECT
public:
    static AutoUploadThread* getInstance() { return TavSingleton<AutoUploadThread>::instance(); }

    static constexpr int kPeriodMs = 120000;
    static constexpr int kReplyTimeoutMs = 10000;

    // Tests shorten the period and the reply time-out; set them before start().
    void setPeriodMs(int ms);
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }
    int periodMs() const { return m_periodMs; }
    int replyTimeoutMs() const { return m_replyTimeoutMs; }
    // Ends the thread after the cycle under way, and waits for it.
    void stop();

    bool upload();

signals:
    // After every reply, success or not; the teacher state's online flag tells which.
    void netStatus();

protected:
    void run() override;

private slots:
    void replyFinished(QNetworkReply* reply);
    void handleTimeOut();

private:
    friend class TavSingleton<AutoUploadThread>;
    AutoUploadThread() = default;

    void runCycle();
    bool sleepPeriod();

    QNetworkAccessManager* manager = nullptr;
    QNetworkReply* reply = nullptr;
    QTimer* timer = nullptr;
    QString host;
    int port = 0;
    ClassRecordRow record;
    QString data;

    QEventLoop* m_loop = nullptr;
    std::atomic<int> m_periodMs { kPeriodMs };
    std::atomic<int> m_replyTimeoutMs { kReplyTimeoutMs };
    QMutex m_sleepMutex;
    QWaitCondition m_wake;
    bool m_stopRequested = false;
};

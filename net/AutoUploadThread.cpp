#include "AutoUploadThread.h"

#include "JsonHelper.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetCheck.h"
#include "TAVNetManager.h"
#include "TAV_ClassRecord.h"
#include "TavReplyLimit.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"
#include "Upload.h"

#include <QDebug>
#include <QEventLoop>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

void AutoUploadThread::setPeriodMs(int ms)
{
    m_periodMs = ms;
    QMutexLocker lock(&m_sleepMutex);
    m_wake.wakeAll();
}

void AutoUploadThread::stop()
{
    {
        QMutexLocker lock(&m_sleepMutex);
        m_stopRequested = true;
        m_wake.wakeAll();
    }
    wait();
    QMutexLocker lock(&m_sleepMutex);
    m_stopRequested = false;
}

// Waits one period; false when the thread is to end.
bool AutoUploadThread::sleepPeriod()
{
    QMutexLocker lock(&m_sleepMutex);
    QDeadlineTimer deadline(m_periodMs.load());
    while (!m_stopRequested && !deadline.hasExpired()) {
        m_wake.wait(&m_sleepMutex, deadline);
        // A new, shorter period counts from now.
        if (!deadline.hasExpired() && deadline.remainingTime() > m_periodMs.load())
            deadline.setRemainingTime(m_periodMs.load());
    }
    return !m_stopRequested;
}

void AutoUploadThread::run()
{
    manager = new QNetworkAccessManager;
    connect(manager, &QNetworkAccessManager::finished, this, &AutoUploadThread::replyFinished, Qt::DirectConnection);
    timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &AutoUploadThread::handleTimeOut, Qt::DirectConnection);
    host = TAVNetCheck::getInstance()->getHost();
    port = TAVNetCheck::getInstance()->getPort();

    while (sleepPeriod())
        runCycle();

    delete timer;
    timer = nullptr;
    delete manager;
    manager = nullptr;
    TAVDatabase::getInstance()->releaseThreadDbCon();
}

void AutoUploadThread::runCycle()
{
    Upload* uploader = Upload::getInstance();
    QMutexLocker uploadLock(uploader->uploadMutex());
    TAVDatabase* database = TAVDatabase::getInstance();

    QSqlDatabase db = database->getThreadDbCon();
    if (!db.isValid()) {
        qWarning() << "****AutoUploadThread no database connection";
        return;
    }
    ClassRecordRow first;
    if (TAV_ClassRecord::getInstance()->selectFirst(db, &first) != 0) {
        database->closeThreadDbCon(db);
        return;
    }
    record = first;
    // A lesson with a write still on its way into the file (its end, one of its rounds) waits, neither sent nor
    // deleted: it would go without it, or go as open and then again as ended.
    if (TavWriteBehind::getInstance()->holdsLesson(db, record.localRecordID)) {
        qDebug() << "AutoUploadThread**** the class waits for a write still on its way into the file";
        database->closeThreadDbCon(db);
        return;
    }
    qDebug() << "AutoUploadThread****get upload data";
    bool read = true;
    data.clear(); // the last cycle's document, so that this one may use its memory
    data = uploader->getUploadData(db, record.localRecordID, false, &read);
    database->closeThreadDbCon(db);
    if (!read)
        return;

    if (data.isEmpty() && record.endTime.isEmpty())
        return;
    if (data.isEmpty()) {
        qDebug() << "AutoUploadThread**** empty data, the class is end";
        qDebug() << "AutoUploadThread**** del this class record";
        db = database->getThreadDbCon();
        uploader->deleteLocalRecord(db);
        database->closeThreadDbCon(db);
        qDebug() << "del this class record finish";
        return;
    }

    qDebug() << "AutoUploadThread****upload data to server";
    if (!upload()) {
        qDebug() << "AutoUploadThread**** upload data to server error";
        return;
    }
    qDebug() << "AutoUploadThread**** update local data to finish status";
    db = database->getThreadDbCon();
    // All or nothing: the record marked sent with some of its rows not would go again as a second, smaller
    // copy of the lesson; left unmarked, the same lesson goes again whole.
    const quint64 failures = TavStatement::failureCount();
    uploader->updateFinishStatus(db);
    if (TavStatement::failureCount() != failures) {
        qWarning() << "****AutoUploadThread the service took the lesson, but it could not be marked sent";
        db.rollback();
        return;
    }
    database->closeThreadDbCon(db);
    qDebug() << "AutoUploadThread**** finish update local data to finish status";
    if (!record.endTime.isEmpty()) {
        qDebug() << "AutoUploadThread**** delete local record";
        db = database->getThreadDbCon();
        uploader->deleteLocalRecord(db);
        database->closeThreadDbCon(db);
        uploadLock.unlock();
        qDebug() << "AutoUploadThread**** finish delete local record";
    }
}

bool AutoUploadThread::upload()
{
    if (!manager)
        return false;
    const QString flag = record.endTime.isEmpty() ? QStringLiteral("0") : QStringLiteral("1");
    qDebug().noquote() << "the flag_str is " + flag;
    const QByteArray body = Upload::requestBody(data, flag);
    const QUrl url(QStringLiteral("http://") + host + ":" + QString::number(port) + Upload::kPath);
    QNetworkRequest request = TavReplyLimit::plainRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());

    QEventLoop loop;
    m_loop = &loop;
    reply = manager->post(request, body);
    new TavReplyLimit(reply, TAVNetManager::kMaxReplyBytes);
    timer->start(m_replyTimeoutMs.load());
    const int result = loop.exec();
    m_loop = nullptr;
    timer->stop();
    reply->close();
    delete reply;
    reply = nullptr;
    return result == 1;
}

void AutoUploadThread::replyFinished(QNetworkReply* finished)
{
    qDebug() << "AutoUploadThread****replyFinished";
    if (finished != reply || !m_loop)
        return;
    timer->stop();
    const int status = finished->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    auto* limit = TavReplyLimit::of(finished);
    limit->takeAvailable();
    // A refused reply is aborted, and so is one given up at its time-out, which may keep the status 200 of its
    // headers: only the error tells that its body is not whole.
    if (status != 200 || (finished->error() != QNetworkReply::NoError && !limit->exceeded())) {
        qWarning().noquote() << "****AutoUploadThread neterror, the code is " + QString::number(status) + ", "
                + finished->errorString();
        TAVMemInfo::getInstance()->onlineFlag = false;
        emit netStatus();
        m_loop->exit(-1);
        return;
    }
    const QByteArray body = limit->body();
    if (limit->exceeded() || !JsonHelper::getInstance()->parseReply(body).success) {
        qWarning().noquote() << "****AutoUploadThread server error: "
                + (limit->exceeded() ? "reply refused, " + limit->refusal() : QString::fromUtf8(body));
        TAVMemInfo::getInstance()->onlineFlag = false;
        emit netStatus();
        m_loop->exit(-1);
        return;
    }
    TAVMemInfo::getInstance()->onlineFlag = true;
    emit netStatus();
    m_loop->exit(1);
}

void AutoUploadThread::handleTimeOut()
{
    qDebug() << "AutoUploadThread****handleTimeOut";
    timer->stop();
    if (reply)
        reply->abort();
}

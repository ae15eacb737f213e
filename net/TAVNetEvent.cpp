#include "TAVNetEvent.h"

#include "CodeTool.h"
#include "TAVNetManager.h"

#include <QDebug>
#include <QEventLoop>
#include <QThread>

QString TAVNetEvent::signKey()
{
    return QStringLiteral("7e3a90c41bd8f25a06c9e1b47d2f8a53");
}

QString TAVNetEvent::sign(const QString& signedText)
{
    return CodeTool::md5Hex(signedText + "&" + signKey());
}

int TAVNetEvent::post(const QString& path, const QByteArray& body, int timeoutMs, QByteArray& reply)
{
    if (QThread::currentThread() != thread()) {
        qWarning() << "****TAVNetEvent used outside the interface thread";
        reply.clear();
        return -1;
    }
    return wait(TAVNetManager::getInstance()->post(path, body, timeoutMs), reply);
}

int TAVNetEvent::post(const QString& path, const QByteArray& body, QByteArray& reply, int timeoutMs)
{
    return post(path, body, timeoutMs, reply);
}

int TAVNetEvent::get(const QString& url, int timeoutMs, QByteArray& reply)
{
    if (QThread::currentThread() != thread()) {
        qWarning() << "****TAVNetEvent used outside the interface thread";
        reply.clear();
        return -1;
    }
    return wait(TAVNetManager::getInstance()->get(url, timeoutMs), reply);
}

int TAVNetEvent::wait(QNetworkReply* reply, QByteArray& out)
{
    QEventLoop loop;
    Waiter waiter;
    waiter.loop = &loop;
    m_waiters.insert(reply, &waiter);
    if (!waiter.done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_waiters.remove(reply);
    out = waiter.body;
    return waiter.code;
}

void TAVNetEvent::setResult(QNetworkReply* reply, int code, const QByteArray& body)
{
    m_lastReply = body;
    Waiter* waiter = m_waiters.value(reply, nullptr);
    if (!waiter)
        return;
    waiter->code = code;
    waiter->body = body;
    waiter->done = true;
    waiter->loop->exit(code);
}

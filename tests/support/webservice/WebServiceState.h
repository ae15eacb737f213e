#pragma once

#include "TavWebService.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QMutex>

struct CannedReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType;
};

struct FailureSetting
{
    WebFailure failure = WebFailure::None;
    QString errorCode;
    qint64 size = 0; // Oversized
    bool announced = false; // Oversized: with Content-Length
    int trickleMs = TavWebService::kTrickleMs; // Trickle: between two bytes
    QList<QPair<QString, QJsonValue>> changes; // Reshaped: member path and its new value
    QByteArray encoding; // Compressed: the Content-Encoding
    QByteArray body; // Compressed: the body as sent
    bool chunked = false; // Compressed: sent in chunks, with no length
};

// Everything the service knows, shared between the caller's thread and the server thread.
struct WebServiceState
{
    mutable QMutex mutex;
    QJsonObject data;
    QMap<QString, FailureSetting> failures; // by path; "*" matches every path
    QMap<QString, CannedReply> canned;
    QMap<QString, CannedReply> files;
    QMap<QString, QByteArray> pictures; // drawn avatars by path
    QString paperPictureDir; // the question and explanation pictures drawn at build time
    QList<WebRequest> requests;
    QList<UploadedDocument> uploads;
    // Bindings made through the service, oldest first, and the file they are kept in (none: not kept).
    QJsonArray bindings;
    QString bindingsFile;
    // Where the key of the paper served last is written, for the simulated keypads (none: not written).
    QString servedKeyFile;
    int connections = 0;
};

struct WebResponse
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json;charset=UTF-8");
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool noAnswer = false;
    qint64 fillerSize = -1; // >= 0: the body is this many filler bytes, written as the client reads
    bool fillerAnnounced = false; // the filler's length goes in Content-Length
    int trickleMs = 0; // > 0: the body goes out one byte per interval
    bool chunked = false; // the body goes out in chunks, with no length
};

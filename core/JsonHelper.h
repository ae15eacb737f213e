#pragma once

#include "Singleton.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

// A parsed reply of the web service.
struct JsonReply
{
    bool success = false;
    QJsonObject result;
    QString errorCode;
};

// Request bodies out of JSON objects, and the reply envelope {"success", "result", "errorCode"} back in.
class JsonHelper : public QObject
{
    Q_OBJECT
public:
    JsonHelper() = default;

    static JsonHelper* getInstance() { return TavSingleton<JsonHelper>::instance(); }

    // The object as compact JSON text.
    QByteArray toJson(const QJsonObject& object) const;
    // A body that is not a JSON object gives (false, {}, "500").
    JsonReply parseReply(const QByteArray& reply) const;
};

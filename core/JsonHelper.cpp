#include "JsonHelper.h"

#include <QJsonDocument>
#include <QJsonParseError>

QByteArray JsonHelper::toJson(const QJsonObject& object) const
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

JsonReply JsonHelper::parseReply(const QByteArray& reply) const
{
    JsonReply parsed;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reply, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        parsed.errorCode = QStringLiteral("500");
        return parsed;
    }
    const QJsonObject envelope = document.object();
    parsed.success = envelope.value("success").toBool(false);
    parsed.result = envelope.value("result").toObject();
    parsed.errorCode = envelope.value("errorCode").toString();
    return parsed;
}

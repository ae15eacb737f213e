#pragma once

#include "WebServiceState.h"

// Answers one parsed request from the service's data: checks the sign, applies the failure set for
// the path, records the request and builds the reply.
class WebServiceRoutes
{
public:
    static WebResponse handle(WebServiceState& state, WebRequest& request);
    static QList<QPair<QString, QString>> decodeForm(const QByteArray& form);
    // The value with the member at keys[at...] replaced by value (removed when value is undefined); an array
    // index one past the end appends.
    static QJsonValue reshaped(const QJsonValue& node, const QStringList& keys, int at, const QJsonValue& value);
    // Applies one binding ({"classID", "stationSN"} or {"dovaneID", "sn", "stationSN"}) to the data; false
    // when its class or student is unknown.
    static bool applyBinding(WebServiceState& state, const QJsonObject& binding);

private:
    static bool checkSign(const WebRequest& request);
    // The normal reply: a canned one, the sign refusal or the route's.
    static WebResponse answer(WebServiceState& state, const WebRequest& request);
    static WebResponse route(WebServiceState& state, const WebRequest& request);
    static WebResponse login(WebServiceState& state, const WebRequest& request);
    static WebResponse paperList(WebServiceState& state, const WebRequest& request);
    static WebResponse paperContent(WebServiceState& state, const WebRequest& request);
    static void keepServedKey(const WebServiceState& state, const QString& paperID, const QJsonArray& items);
    static WebResponse bindReceiver(WebServiceState& state, const WebRequest& request);
    static WebResponse bindKeypad(WebServiceState& state, const WebRequest& request);
    static void keepBinding(WebServiceState& state, const QJsonObject& binding);
    static WebResponse upload(WebServiceState& state, const WebRequest& request);
    static WebResponse version(WebServiceState& state, const WebRequest& request);
    static WebResponse lessonPage(WebServiceState& state, const WebRequest& request);
    static WebResponse wordFile(const WebRequest& request);
    static WebResponse picture(WebServiceState& state, const WebRequest& request);
};

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

class QThread;
class WebServiceServer;
struct WebServiceState;

// One request as the service received it.
struct WebRequest
{
    QString method;
    QString host; // host[:port] the client addressed (absolute URI of a proxy request, else the Host header)
    QString path;
    QByteArray query; // raw text after "?"
    QByteArray rawBody;
    QMap<QByteArray, QByteArray> headers; // by lower-case name
    QList<QPair<QString, QString>> params; // decoded form fields of the body (POST) or the query (GET), in order
    bool viaProxy = false; // the request line carried an absolute URI
    bool signOk = false;
    int status = 0; // HTTP status answered; 0 when none was sent
    QDateTime time;

    QString param(const QString& name) const;
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};
Q_DECLARE_METATYPE(WebRequest)

// One lesson-record document accepted by the upload request.
struct UploadedDocument
{
    QString recordResult; // the decoded form field
    QString flag;
    QByteArray rawBody;
};

// How a request is answered instead of its normal reply.
enum class WebFailure {
    None,
    Refuse, // HTTP 200, {"success": false, "errorCode": code}
    Http500, // HTTP 500 with an HTML error page
    NotJson, // HTTP 200 with a body that is not JSON
    NoAnswer, // the connection stays open and nothing is sent
    Oversized, // HTTP 200 with a body of filler bytes of the size given to setOversizedReply
    Trickle, // the normal reply, its body sent one byte every kTrickleMs (or as setTrickledReply says)
    Reshaped, // the normal reply with the members given to reshapeReply replaced or removed
    Compressed, // HTTP 200 with a body of zeros sent compressed, as setCompressedReply says
};
Q_DECLARE_METATYPE(WebFailure)

// A small HTTP/1.1 server standing in for the school's web service, the version service and the
// picture host. It runs in a thread of its own, so blocking clients in the caller's thread are served.
// Proxy-form requests ("GET http://host/path") are accepted, so it can also be the application proxy.
class TavWebService : public QObject
{
    Q_OBJECT
public:
    static const char* signKey();
    static QString md5Hex(const QString& text);
    static QString defaultDataFile(); // the data file beside the program: <bin>/webservice/demo.json
    static constexpr int kTrickleMs = 100;

    explicit TavWebService(QObject* parent = nullptr);
    ~TavWebService() override;

    // Paper pictures are served from the folder "paper" beside the data file.
    bool loadDataFile(const QString& fileName);
    void setData(const QJsonObject& data);
    QJsonObject data() const;

    // Keeps the receiver and keypad bindings made through the service in this file, so that a restarted
    // service still answers a login with them; those already in the file are applied to the data now.
    bool setBindingsFile(const QString& fileName);
    // Writes the answer key of each paper served into this file, replacing the one before, so that the
    // simulated keypads can answer it as a class would: {"paperID", "served" (ISO time, UTC), "items": [{"mcsn",
    // "question" (1-based, paper order), "questionID", "subQuestionID", "answer", "form": "letter", "letters"
    // or "digits"}]}.
    void setServedKeyFile(const QString& fileName);

    bool start(quint16 port = 0); // 0 picks a free loopback port
    void stop();
    quint16 port() const;
    QString hostPort() const; // "127.0.0.1:<port>"
    void useAsApplicationProxy() const; // points Qt's application proxy at this service

    void setFailure(const QString& path, WebFailure failure, const QString& errorCode = QStringLiteral("TAV-9"));
    void setCannedReply(const QString& path, int status, const QByteArray& body);
    // Failure Trickle for the path, a byte every intervalMs.
    void setTrickledReply(const QString& path, int intervalMs);
    // Failure Oversized for the path: bytes of filler, sent as fast as the client's socket takes them, ended by
    // closing the connection; announced: with its length in Content-Length, else the client learns it by reading.
    void setOversizedReply(const QString& path, qint64 bytes, bool announced = false);
    // Failure Compressed for the path: zeros that inflate to inflatedBytes, sent with Content-Encoding encoding
    // ("gzip" or "deflate") whatever the client asked for, with their length or chunked.
    void setCompressedReply(const QString& path, qint64 inflatedBytes, const QByteArray& encoding, bool chunked);
    // Failure Reshaped for the path; every call adds one change. member names a place in the reply JSON, keys
    // and array indexes joined by "/" ("result/classes/0/stuInfoList"); an index one past the end appends.
    // An undefined value removes the member.
    void reshapeReply(const QString& path, const QString& member, const QJsonValue& value);
    // The change reshapeReply makes, applied to one object.
    static QJsonObject reshaped(const QJsonObject& object, const QString& member, const QJsonValue& value);
    void clearFailures();
    void setStaticFile(const QString& path, const QByteArray& body,
                       const QByteArray& contentType = QByteArrayLiteral("application/octet-stream"));
    void setVersionReply(const QString& version, const QString& url, bool forceUpdate);

    QList<WebRequest> requests() const;
    QList<WebRequest> requestsTo(const QString& path) const;
    void clearRequests();
    QList<UploadedDocument> uploadedDocuments() const;
    void clearUploads();
    int connectionCount() const; // TCP connections accepted, tunnels included

signals:
    void requestReceived(const WebRequest& request);

private:
    WebServiceState* m_state;
    QThread* m_thread = nullptr;
    WebServiceServer* m_server = nullptr;
    quint16 m_port = 0;
};

#pragma once

#include "Singleton.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// The lesson-record upload document: gathers what of a lesson record still has to be sent, builds the
// JSON document of the form field "recordResult", and afterwards marks the sent rows or drops the lesson.
// The three calls of one upload run under one hold of uploadMutex(), which keeps the background upload and
// the upload at class close apart.
class Upload : public QObject
{
public:
    static Upload* getInstance() { return TavSingleton<Upload>::instance(); }

    static constexpr const char* kPath = "/tav/fastenMachine/tavStaticClass";

    QMutex* uploadMutex() { return &m_uploadMutex; }

    // The document of the lesson record, or empty text when there is nothing to send. When a read failed,
    // *ok is false, the text is empty and nothing is held, so the next two calls leave every row alone.
    // A caller that drops the last document before the next call lets it be written into the same memory.
    QString getUploadData(QSqlDatabase db, int localRecordID, bool force, bool* ok = nullptr);
    // Marks everything the last getUploadData held as uploaded.
    void updateFinishStatus(QSqlDatabase db);
    // Deletes every local row of the lesson record the last getUploadData held.
    void deleteLocalRecord(QSqlDatabase db);

    // Escapes "%", "&" and "+" of a form value ("%" first), so the service reads back the text as it was.
    static QString encodeFormValue(const QString& text);
    // "recordResult=" + document + "&flag=" + flag + "&sign=" + sign; the sign covers "recordResult=" and the
    // first 50 characters of the unescaped document.
    static QByteArray requestBody(const QString& document, const QString& flag);

private:
    friend class TavSingleton<Upload>;
    Upload() = default;

    // What of the lesson record the document holds, kept for marking it sent; the rows themselves go straight
    // into the document as they are read.
    struct Held
    {
        int recordID = -1;
        int signID = -1;
        QVector<int> interactIDs;
        QVector<int> resultIDs;
        QVector<int> examIDs;
    };

    QMutex m_uploadMutex;
    Held m_held;
    // The last document, whose memory the next one is written into once its caller has let it go; given back
    // when there is nothing to send.
    QString m_room;
};

#pragma once

#include "ClassRecordRow.h"
#include "ExamInfoRow.h"
#include "ExamStuAnswerProRow.h"
#include "ExamStuAnswerRow.h"
#include "ExamStuInfoRow.h"
#include "InteractInfoRow.h"
#include "SignInfoRow.h"
#include "SignStuInfoRow.h"
#include "Singleton.h"
#include "StuResultRow.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

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

    QString writeDocument() const;

    QMutex m_uploadMutex;
    ClassRecordRow record;
    SignInfoRow signInfo;
    QMap<int, QList<SignStuInfoRow>> signStudents;
    QList<InteractInfoRow> interactions;
    QMap<int, QList<StuResultRow>> interactResults;
    QList<ExamInfoRow> exams;
    QMap<int, QList<ExamStuInfoRow>> examStudents;
    QMap<int, QList<ExamStuAnswerRow>> examAnswers;
    QHash<int, QList<ExamStuAnswerProRow>> answerHistory;
    QString offLineTime;
};

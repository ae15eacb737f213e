#pragma once

#include "ClassRecordRow.h"
#include "Singleton.h"
#include "TavWriteCause.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

// The tool bar's database side: loads the chosen class, opens, names, closes and uploads lesson records. Nothing
// here waits more than a moment for another program holding the database file: the bar answers all the while.
class ZUToolBarSer : public QObject
{
public:
    static ZUToolBarSer* getInstance() { return TavSingleton<ZUToolBarSer>::instance(); }

    // How long the lesson close waits for the upload mutex, and for the service.
    static constexpr int kUploadLockMs = 2000;
    static constexpr int kUploadTimeoutMs = 2000;

    // The class row, its students and this teacher's subjects of it into the teacher state. True when they were
    // read; otherwise the teacher state is left as it was, and *cause tells why.
    bool loadClassInfo(int classID, const QString& username, TavWriteCause::Cause* cause = nullptr);
    // True when the new record is open (the teacher state holds it as the current record); otherwise nothing of
    // it is kept and *cause tells why.
    bool startClassRecord(const QString& stationSn, int classID, int subjectID, bool classStatus,
                          TavWriteCause::Cause* cause = nullptr);
    // "<subject>-<class>-<start as yyyyMMddHHmm>", the subject and class by the names the bar shows.
    QString makeRecordName(const ClassRecordRow& record) const;
    static QString makeRecordName(QSqlDatabase db, const ClassRecordRow& record);
    // Ends the lesson for the teacher at once (no lesson is current afterwards; a new one may start). Its end waits
    // a moment at most for the file; what the file does not take then goes to the writer, which keeps it, also
    // across a restart, until it does. True when the end is in the file now; otherwise the lesson is sent as soon
    // as it is.
    bool closeClassRecord(int localRecordID, const QString& name, const QDateTime& endTime);
    // Sends a lesson that is ended in the file. True when the service took the record and it was dropped
    // locally; otherwise it stays for the upload thread.
    bool uploadClassRecord(int localRecordID);

private:
    friend class TavSingleton<ZUToolBarSer>;
    ZUToolBarSer();

    void endWritten(const QString& kind, int localRecordID);

    // Lessons whose end went to the writer: each is sent once its end is in the file.
    QSet<int> m_sendWhenEnded;
    bool m_uploading = false;
};

#pragma once

#include "ClassRecordRow.h"
#include "Singleton.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// The tool bar's database side: loads the chosen class, opens, names, closes and uploads lesson records.
class ZUToolBarSer : public QObject
{
public:
    static ZUToolBarSer* getInstance() { return TavSingleton<ZUToolBarSer>::instance(); }

    // How long the lesson close waits for the upload mutex, and for the service.
    static constexpr int kUploadLockMs = 2000;
    static constexpr int kUploadTimeoutMs = 2000;

    void loadClassInfo(int classID, const QString& username);
    // True when the new record is open (the teacher state holds it as the current record).
    bool startClassRecord(const QString& stationSn, int classID, int subjectID, bool classStatus);
    QString makeRecordName(const ClassRecordRow& record);
    static QString makeRecordName(QSqlDatabase db, const ClassRecordRow& record);
    // Ends the lesson in the file: its pending answers cleared, its open interactions ended, its end time and
    // name stored, all or nothing. True when that was committed; otherwise nothing of it is kept, the lesson
    // stays open (also as the current record) and must not be uploaded.
    bool closeClassRecord(int localRecordID, const QString& name, const QDateTime& endTime);
    // Sends a lesson that is ended in the file. True when the service took the record and it was dropped
    // locally; otherwise it stays for the upload thread.
    bool uploadClassRecord(int localRecordID);

private:
    friend class TavSingleton<ZUToolBarSer>;
    ZUToolBarSer() = default;
};

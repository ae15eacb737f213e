#pragma once

#include "ClassRecordRow.h"
#include "Singleton.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Table TAV_ClassRecord: one row per lesson. The open lesson is mirrored in TAVMemInfo::currentRecord.
class TAV_ClassRecord : public QObject
{
public:
    static TAV_ClassRecord* getInstance() { return TavSingleton<TAV_ClassRecord>::instance(); }

    // Opens a lesson (new UUID, start time now) and makes it the current record.
    // The new localRecordID, or -1 when the insert failed.
    int insertClassRecord(QSqlDatabase db, ClassRecordRow record);
    // The newest open lesson into *record and the current record; its id, or -1 (then no lesson is current).
    int loadOpenRecord(QSqlDatabase db, ClassRecordRow* record);
    // Ends a lesson; the current record then holds none.
    void setEndTimeAndName(QSqlDatabase db, int localRecordID, QString name, QDateTime endTime);
    // Ends a lesson with what belongs to its end, all or nothing within the caller's transaction: writeLessonEnd,
    // then the current record holds none. False when any of it failed; none of it stays then and the current
    // record is left as it was. The caller's commit decides the rest.
    bool endLesson(QSqlDatabase db, int localRecordID, const QString& name, const QDateTime& endTime);
    // The statements of a lesson's end, in order, stopping at the first that fails: its pending answers cleared,
    // its open interactions ended at endTime ("yyyy-MM-dd HH:mm:ss"), its end time and name stored. The teacher
    // state is not touched (the writer's thread calls it). False when a statement failed; the caller takes its
    // transaction back.
    bool writeLessonEnd(QSqlDatabase db, int localRecordID, const QString& name, const QString& endTime);
    // The oldest stored lesson into *record (its recordName is not read): 0, or -1 when none.
    int selectFirst(QSqlDatabase db, ClassRecordRow* record);
    int selectByRecord(QSqlDatabase db, int localRecordID, ClassRecordRow* record);
    void setUploaded(QSqlDatabase db, int localRecordID);
    void deleteByRecord(QSqlDatabase db, int localRecordID);

private:
    friend class TavSingleton<TAV_ClassRecord>;
    TAV_ClassRecord() = default;
};

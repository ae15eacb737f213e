#include "ZUToolBarSer.h"

#include "JsonHelper.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TAV_AppInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_InteractInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TavStatement.h"
#include "Upload.h"

#include <QDebug>

namespace {
const char* const kTimeFormat = "yyyy-MM-dd HH:mm:ss";
}

void ZUToolBarSer::loadClassInfo(int classID, const QString& username)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_ClassInfo::getInstance()->loadByClass(db, classID);
    TAV_StudentInfo::getInstance()->loadByClass(db, classID);
    TAV_SubjectInfo::getInstance()->selectByUserAndClass(db, username, classID);
    TAVDatabase::getInstance()->closeDbCon(db);
}

bool ZUToolBarSer::startClassRecord(const QString& stationSn, int classID, int subjectID, bool classStatus)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    TAV_AppInfo::getInstance()->setLastClass(db, classID);

    ClassRecordRow row;
    row.creator = mem->currentTeacher.username;
    row.classID = classID;
    row.subjectID = subjectID;
    row.classStatus = classStatus;
    row.stationSn = stationSn;
    // A failed insert leaves no open record; the caller must not run an activity whose rows would
    // belong to no lesson.
    mem->currentRecord.localRecordID = -1;
    const int id = TAV_ClassRecord::getInstance()->insertClassRecord(db, row);
    TAVDatabase::getInstance()->closeDbCon(db);
    return id > 0 && mem->currentRecord.localRecordID == id;
}

QString ZUToolBarSer::makeRecordName(const ClassRecordRow& record)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString name = makeRecordName(db, record);
    TAVDatabase::getInstance()->closeDbCon(db);
    return name;
}

QString ZUToolBarSer::makeRecordName(QSqlDatabase db, const ClassRecordRow& record)
{
    const QString subject = TAV_SubjectInfo::getInstance()->selectSubjectName(db, record.subjectID);
    const QString className = TAV_ClassInfo::getInstance()->selectClassName(db, record.classID);
    const QString start = QDateTime::fromString(record.startTime, kTimeFormat).toString("yyyyMMddHHmm");
    return subject + "-" + className + "-" + start;
}

bool ZUToolBarSer::closeClassRecord(int localRecordID, const QString& name, const QDateTime& endTime)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const ClassRecordRow open = mem->currentRecord;
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    bool closed = false;
    if (!db.isValid()) {
        qWarning().noquote() << "****closeClassRecord: no database connection, lesson record "
                + QString::number(localRecordID) + " stays open";
    } else if (TAV_ClassRecord::getInstance()->endLesson(db, localRecordID, name, endTime)) {
        closed = database->closeDbCon(db);
    } else {
        database->rollbackDbCon(db);
    }
    // A failed commit takes the end back: the lesson is still the open one.
    if (!closed)
        mem->currentRecord = open;
    return closed;
}

bool ZUToolBarSer::uploadClassRecord(int localRecordID)
{
    Upload* upload = Upload::getInstance();
    qDebug() << "get upload mutex";
    if (!upload->uploadMutex()->tryLock(kUploadLockMs)) {
        qDebug() << "get upload mutex fail";
        return false;
    }

    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    // The service takes a lesson sent with flag 1 as ended: one still open in the file (its close not kept)
    // would go without its round, and go again once it ends.
    // A round still on its way into the file goes with the lesson too: the upload thread sends it once it is in.
    ClassRecordRow record;
    const bool ended
        = TAV_ClassRecord::getInstance()->selectByRecord(db, localRecordID, &record) == 0 && !record.endTime.isEmpty();
    if (!ended || TAV_InteractInfo::getInstance()->holdsOpen(db, localRecordID)) {
        qWarning().noquote() << "****uploadClassRecord: lesson record " + QString::number(localRecordID)
                + (ended ? " waits for a round still being written; the upload thread sends it"
                         : " is not ended in the database, it is not sent");
        database->closeDbCon(db);
        upload->uploadMutex()->unlock();
        return false;
    }
    qDebug() << "get uploadData";
    const QString data = upload->getUploadData(db, localRecordID, true);
    if (data.isEmpty()) {
        database->closeDbCon(db);
        upload->uploadMutex()->unlock();
        return false;
    }

    // Signed over the text as it is, then "%", "&" and "+" escaped, so that a lesson name holding them
    // neither cuts the form field nor stops every later lesson behind this one.
    const QByteArray body = Upload::requestBody(data, "1");

    qDebug() << "send msg to server";
    QByteArray reply;
    TAVNetEvent::getInstance()->post(Upload::kPath, body, reply, kUploadTimeoutMs);
    const JsonReply res = JsonHelper::getInstance()->parseReply(reply);
    bool sent = false;
    if (res.success) {
        qDebug() << "update data";
        // All or nothing: rows half marked would go again later as a second, smaller copy of the lesson.
        // Left whole, the upload thread sends the same lesson once more.
        const quint64 failures = TavStatement::failureCount();
        upload->updateFinishStatus(db);
        upload->deleteLocalRecord(db);
        if (TavStatement::failureCount() == failures) {
            sent = database->closeDbCon(db);
        } else {
            database->rollbackDbCon(db);
        }
        if (!sent)
            qWarning().noquote() << "****the service took lesson record " + QString::number(localRecordID)
                    + ", but it could not be marked sent; the upload thread sends it again";
    } else {
        qWarning().noquote() << "****server error: " + QString::fromUtf8(reply);
        database->closeDbCon(db);
    }
    upload->uploadMutex()->unlock();
    if (sent)
        qDebug() << "exit __closeClassRec";
    return sent;
}

#include "ZUToolBarSer.h"

#include "JsonHelper.h"
#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"
#include "TAV_AppInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TavShortWrite.h"
#include "TavStatement.h"
#include "TavWriteBehind.h"
#include "TavWriteKinds.h"
#include "Upload.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QEventLoop>
#include <QMutex>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTimer>

namespace {

const char* const kTimeFormat = "yyyy-MM-dd HH:mm:ss";

// A pooled connection for the bar's reads that waits a moment at most for a lock another program holds.
class ShortRead
{
public:
    ShortRead()
        : m_db(TAVDatabase::getInstance()->getReadDbCon())
        , m_failuresBefore(TavStatement::failureCount())
    {
        if (!m_db.isValid())
            return;
        QSqlQuery query(m_db);
        if (query.exec(QStringLiteral("PRAGMA busy_timeout")) && query.next())
            m_poolBusyMs = query.value(0).toInt();
        query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(TavShortWrite::kBusyMs));
    }
    ~ShortRead()
    {
        if (!m_db.isValid())
            return;
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_poolBusyMs));
        // Nothing was written on it.
        TAVDatabase::getInstance()->rollbackDbCon(m_db);
    }
    ShortRead(const ShortRead&) = delete;
    ShortRead& operator=(const ShortRead&) = delete;

    QSqlDatabase db() const { return m_db; }
    // Why a read failed; None while every read went through.
    TavWriteCause::Cause cause() const
    {
        if (!m_db.isValid())
            return TavWriteCause::Other;
        if (TavStatement::failureCount() == m_failuresBefore)
            return TavWriteCause::None;
        const TavWriteCause::Cause cause = TavWriteCause::fromCode(TavStatement::lastFailureCode());
        return cause == TavWriteCause::None ? TavWriteCause::Other : cause;
    }

private:
    QSqlDatabase m_db;
    quint64 m_failuresBefore = 0;
    int m_poolBusyMs = 5000;
};

// True while a write of the lesson waits with the writer: what comes after it goes after it.
bool writerHas(int localRecordID)
{
    const QList<TavWriteBehind::Unwritten> waiting = TavWriteBehind::getInstance()->unwritten();
    for (const TavWriteBehind::Unwritten& left : waiting) {
        if (left.write.localRecordID == localRecordID)
            return true;
    }
    return false;
}

// The upload mutex within ms, the screen painting meanwhile (the teacher's clicks wait).
bool lockUploadMutex(QMutex* mutex, int ms)
{
    const QDeadlineTimer deadline(ms);
    QEventLoop loop;
    while (!mutex->tryLock()) {
        if (deadline.hasExpired())
            return false;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

} // namespace

ZUToolBarSer::ZUToolBarSer()
{
    // Queued: the writer tells from its own thread.
    connect(TavWriteBehind::getInstance(), &TavWriteBehind::written, this,
            [this](const QString& kind, int localRecordID, int) { endWritten(kind, localRecordID); });
}

bool ZUToolBarSer::loadClassInfo(int classID, const QString& username, TavWriteCause::Cause* cause)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    const ClassInfoRow currentClass = mem->currentClass;
    const QMap<QString, QString> snMap = mem->snMap;
    const QMap<QString, StudentInfoRow> studentMap = mem->studentMap;
    const QVector<StudentInfoRow> studentList = mem->studentList;
    const QVector<SubjectInfoRow> subjectList = mem->subjectList;

    ShortRead read;
    // Each read waits a moment for another program: once one failed, the others would too.
    TAV_ClassInfo::getInstance()->loadByClass(read.db(), classID);
    if (read.cause() == TavWriteCause::None)
        TAV_StudentInfo::getInstance()->loadByClass(read.db(), classID);
    if (read.cause() == TavWriteCause::None)
        TAV_SubjectInfo::getInstance()->selectByUserAndClass(read.db(), username, classID);
    const TavWriteCause::Cause failure = read.cause();
    if (cause)
        *cause = failure;
    if (failure == TavWriteCause::None)
        return true;
    // Half a class (its row without its students) would run an activity nobody can answer.
    mem->currentClass = currentClass;
    mem->snMap = snMap;
    mem->studentMap = studentMap;
    mem->studentList = studentList;
    mem->subjectList = subjectList;
    qWarning().noquote() << QStringLiteral("****class %1 could not be read: ").arg(classID)
            + TavWriteCause::text(failure);
    return false;
}

bool ZUToolBarSer::startClassRecord(const QString& stationSn, int classID, int subjectID, bool classStatus,
                                    TavWriteCause::Cause* cause)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    ClassRecordRow row;
    row.creator = mem->currentTeacher.username;
    row.classID = classID;
    row.subjectID = subjectID;
    row.classStatus = classStatus;
    row.stationSn = stationSn;
    // A failed insert leaves no open record; the caller must not run an activity whose rows would
    // belong to no lesson.
    mem->currentRecord.localRecordID = -1;
    // The new id is needed at once: the write waits a moment for another program, then tells why it was refused.
    TavShortWrite write;
    int id = -1;
    if (write.db().isValid()) {
        TAV_AppInfo::getInstance()->setLastClass(write.db(), classID);
        id = TAV_ClassRecord::getInstance()->insertClassRecord(write.db(), row);
    }
    const bool started = id > 0 && mem->currentRecord.localRecordID == id && write.commit();
    if (!started) {
        mem->currentRecord.localRecordID = -1;
        if (cause)
            *cause = write.cause() == TavWriteCause::None ? TavWriteCause::Other : write.cause();
    }
    return started;
}

QString ZUToolBarSer::makeRecordName(const ClassRecordRow& record) const
{
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    QString subject = mem->currentSubjectName;
    for (const SubjectInfoRow& row : mem->subjectList) {
        if (row.subjectID == record.subjectID)
            subject = row.subjectName;
    }
    QString className = mem->classMap.value(record.classID).className;
    if (className.isEmpty() && mem->currentClass.classID == record.classID)
        className = mem->currentClass.className;
    const QString start = QDateTime::fromString(record.startTime, kTimeFormat).toString("yyyyMMddHHmm");
    return subject + "-" + className + "-" + start;
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
    const bool current = mem->currentRecord.localRecordID == localRecordID;
    ClassRecordRow record = mem->currentRecord;
    if (!current) {
        ShortRead read;
        if (TAV_ClassRecord::getInstance()->selectByRecord(read.db(), localRecordID, &record) != 0) {
            qWarning().noquote()
                << QStringLiteral("****lesson record %1 is not ended: it could not be read").arg(localRecordID);
            return false;
        }
    }
    // Over for the teacher now, whatever the file does.
    if (current)
        mem->currentRecord.localRecordID = -1;
    const QString end = endTime.toString(QString::fromLatin1(kTimeFormat));
    // A moment at most for another program, as every write of the screen.
    if (!writerHas(localRecordID)) {
        TavShortWrite write;
        if (write.db().isValid() && TAV_ClassRecord::getInstance()->writeLessonEnd(write.db(), localRecordID, name, end)
            && write.commit())
            return true;
    }
    // The writer keeps it, also across a restart, until the file takes it, after the writes of the lesson that
    // wait before it.
    m_sendWhenEnded.insert(localRecordID);
    TavWriteBehind::getInstance()->hand(TavWriteKinds::lessonEnd(localRecordID, record.UUID, name, end));
    qWarning().noquote() << QStringLiteral("****lesson record %1 ends once the database file takes its end; it is "
                                           "sent then")
                                .arg(localRecordID);
    return false;
}

void ZUToolBarSer::endWritten(const QString& kind, int localRecordID)
{
    if (kind != TavWriteKinds::LessonEnd || !m_sendWhenEnded.remove(localRecordID))
        return;
    qDebug().noquote() << QStringLiteral("lesson record %1 has ended in the file, it is sent").arg(localRecordID);
    uploadClassRecord(localRecordID);
}

bool ZUToolBarSer::uploadClassRecord(int localRecordID)
{
    // A send runs the screen's events while it waits: a lesson whose end comes in meanwhile is the upload thread's.
    if (m_uploading) {
        qDebug().noquote() << QStringLiteral("lesson record %1 is left to the upload thread").arg(localRecordID);
        return false;
    }
    m_uploading = true;
    const auto done = qScopeGuard([this] { m_uploading = false; });
    Upload* upload = Upload::getInstance();
    qDebug() << "get upload mutex";
    if (!lockUploadMutex(upload->uploadMutex(), kUploadLockMs)) {
        qDebug() << "get upload mutex fail";
        return false;
    }

    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    // The service takes a lesson sent with flag 1 as ended: one still open in the file would go without what
    // the class still does, and go again once it ends. One with a write still waiting (a round on its way in)
    // would go without it: the upload thread sends it once it is in.
    ClassRecordRow record;
    const bool ended
        = TAV_ClassRecord::getInstance()->selectByRecord(db, localRecordID, &record) == 0 && !record.endTime.isEmpty();
    if (!ended || TavWriteBehind::getInstance()->holdsLesson(db, localRecordID)) {
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
    // A reply cut off (at its time-out, or its connection lost) may hold a whole "success" and still be no answer.
    const int code = TAVNetEvent::getInstance()->post(Upload::kPath, body, reply, kUploadTimeoutMs);
    const JsonReply res = JsonHelper::getInstance()->parseReply(reply);
    bool sent = false;
    if (code == 200 && res.success) {
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
        qWarning().noquote() << "****server error: " + QString::fromUtf8(reply)
                + (code == 200 ? QString() : QStringLiteral(" (no whole reply, code %1)").arg(code));
        database->closeDbCon(db);
    }
    upload->uploadMutex()->unlock();
    if (sent)
        qDebug() << "exit __closeClassRec";
    return sent;
}

#include "TAV_ClassRecord.h"

#include "TAVMemInfo.h"
#include "TAV_InteractInfo.h"
#include "TavStatement.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtDebug>

namespace {
const QString kAllColumns = QStringLiteral("select localRecordID, UUID, recordName, creator, classID, subjectID, "
                                           "startTime, endTime, status, classStatus, stationSn, createDate, statistic "
                                           "from TAV_ClassRecord");

// Reads the thirteen columns of kAllColumns.
ClassRecordRow readRecord(const QSqlQuery& q, ClassRecordRow row)
{
    row.localRecordID = q.value(0).toInt();
    row.UUID = q.value(1).toString();
    row.recordName = q.value(2).toString();
    row.creator = q.value(3).toString();
    row.classID = q.value(4).toInt();
    row.subjectID = q.value(5).toInt();
    row.startTime = TavStatement::readTime(q.value(6));
    row.endTime = TavStatement::readTime(q.value(7));
    row.status = q.value(8).toBool();
    row.classStatus = q.value(9).toBool();
    row.stationSn = q.value(10).toString();
    row.createDate = TavStatement::readTime(q.value(11));
    row.statistic = q.value(12).toBool();
    return row;
}

// The lesson's end time and name; false when the statement failed.
bool storeEnd(QSqlDatabase db, int localRecordID, const QString& name, const QString& endTime)
{
    TavStatement st(db,
                    QStringLiteral("update TAV_ClassRecord set endTime = ?, recordName = ? where localRecordID = ?"));
    st.bind(endTime).bind(TavStatement::text(name)).bind(localRecordID);
    return st.exec();
}
} // namespace

int TAV_ClassRecord::insertClassRecord(QSqlDatabase db, ClassRecordRow record)
{
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    TavStatement st(db,
                    QStringLiteral("insert into TAV_ClassRecord (UUID, creator, classID, subjectID, startTime, status, "
                                   "classStatus, stationSn, createDate) values(?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    st.bind(QUuid::createUuid().toString()).bind(TavStatement::text(record.creator)).bind(record.classID);
    st.bind(record.subjectID).bind(now).bind(0).bind(record.classStatus ? 1 : 0);
    st.bind(TavStatement::text(record.stationSn)).bind(now);
    if (!st.exec())
        return -1;
    const int id = st.lastInsertId();
    ClassRecordRow open;
    loadOpenRecord(db, &open);
    return id;
}

int TAV_ClassRecord::loadOpenRecord(QSqlDatabase db, ClassRecordRow* record)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    TavStatement st(db, kAllColumns + QStringLiteral(" where endTime is null order by localRecordID"));
    if (!st.exec()) {
        mem->currentRecord.localRecordID = -1;
        return -1;
    }
    QSqlQuery& q = st.query();
    if (!q.last()) {
        if (record)
            record->localRecordID = -1;
        mem->currentRecord.localRecordID = -1;
        return -1;
    }
    const ClassRecordRow row = readRecord(q, record ? *record : ClassRecordRow());
    if (record)
        *record = row;
    mem->currentRecord = row;
    return row.localRecordID;
}

void TAV_ClassRecord::setEndTimeAndName(QSqlDatabase db, int localRecordID, QString name, QDateTime endTime)
{
    if (storeEnd(db, localRecordID, name, endTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))))
        TAVMemInfo::getInstance()->currentRecord.localRecordID = -1;
}

bool TAV_ClassRecord::writeLessonEnd(QSqlDatabase db, int localRecordID, const QString& name, const QString& endTime)
{
    // Half an end (the end time kept, a pending answer not cleared) would send the lesson without its round, and
    // drop the round once the rest is sent.
    const quint64 failures = TavStatement::failureCount();
    TAV_InteractInfo* interact = TAV_InteractInfo::getInstance();
    interact->clearPendingAnswers(db, localRecordID);
    if (TavStatement::failureCount() != failures)
        return false;
    interact->closeOpenInteractions(db, endTime);
    if (TavStatement::failureCount() != failures)
        return false;
    return storeEnd(db, localRecordID, name, endTime);
}

bool TAV_ClassRecord::endLesson(QSqlDatabase db, int localRecordID, const QString& name, const QDateTime& endTime)
{
    QSqlQuery step(db);
    if (!step.exec(QStringLiteral("savepoint endLesson"))) {
        qWarning().noquote()
            << QStringLiteral("****lesson record %1 could not be ended, it stays open: ").arg(localRecordID)
                + TavStatement::errorText(step.lastError());
        return false;
    }
    const bool ended = writeLessonEnd(db, localRecordID, name, endTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (ended) {
        TAVMemInfo::getInstance()->currentRecord.localRecordID = -1;
    } else {
        qWarning().noquote()
            << QStringLiteral("****lesson record %1 could not be ended, it stays open").arg(localRecordID);
        // Fails when SQLite has taken the whole transaction back already (a full disk): nothing is left either.
        step.exec(QStringLiteral("rollback to endLesson"));
    }
    step.exec(QStringLiteral("release endLesson"));
    return ended;
}

int TAV_ClassRecord::selectFirst(QSqlDatabase db, ClassRecordRow* record)
{
    TavStatement st(
        db,
        QStringLiteral("select localRecordID, UUID, creator, classID, subjectID, startTime, endTime, status, "
                       "classStatus, stationSn, createDate, statistic from TAV_ClassRecord "
                       "order by localRecordID asc limit 1"));
    if (!st.exec() || !st.query().next() || !record)
        return -1;
    const QSqlQuery& q = st.query();
    record->localRecordID = q.value(0).toInt();
    record->UUID = q.value(1).toString();
    record->creator = q.value(2).toString();
    record->classID = q.value(3).toInt();
    record->subjectID = q.value(4).toInt();
    record->startTime = TavStatement::readTime(q.value(5));
    record->endTime = TavStatement::readTime(q.value(6));
    record->status = q.value(7).toBool();
    record->classStatus = q.value(8).toBool();
    record->stationSn = q.value(9).toString();
    record->createDate = TavStatement::readTime(q.value(10));
    record->statistic = q.value(11).toBool();
    return 0;
}

int TAV_ClassRecord::selectByRecord(QSqlDatabase db, int localRecordID, ClassRecordRow* record)
{
    TavStatement st(db, kAllColumns + QStringLiteral(" where localRecordID = ?"));
    st.bind(localRecordID);
    if (!st.exec() || !st.query().last() || !record)
        return -1;
    *record = readRecord(st.query(), *record);
    return 0;
}

void TAV_ClassRecord::setUploaded(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, QStringLiteral("update TAV_ClassRecord set status = ? where localRecordID = ?"));
    st.bind(1).bind(localRecordID);
    st.exec();
}

void TAV_ClassRecord::deleteByRecord(QSqlDatabase db, int localRecordID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ClassRecord where localRecordID = ?"));
    st.bind(localRecordID);
    st.exec();
}

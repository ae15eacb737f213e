#include "ZUSysCheck.h"

#include "CodeTool.h"
#include "TAVMemInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TAV_ClassInfo.h"
#include "TAV_ClassRecord.h"
#include "TAV_StuSortInfo.h"
#include "TAV_StudentInfo.h"
#include "TAV_SubjectInfo.h"
#include "TAV_TeacherInfo.h"
#include "TavShortWrite.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUToolBarSer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QList>

namespace {
const char* const kTimeFormat = "yyyy-MM-dd HH:mm:ss";
}

void ZUSysCheck::checkout()
{
    qDebug() << "enter checkout";
    {
        // A moment at most for another program holding the file: the bar shows at once, and the check is made at
        // the next login.
        TavShortWrite write;
        if (write.db().isValid()) {
            closeDanglingRecord(write.db());
            __checkTeacher(write.db());
            if (!write.commit())
                qWarning().noquote() << "****the start-up check is not kept, it is made again at the next login: "
                        + TavWriteCause::text(write.cause());
        } else {
            qWarning().noquote() << "****the start-up check is made at the next login: "
                    + TavWriteCause::text(write.cause());
        }
    }
    clearPaperData();
}

void ZUSysCheck::closeDanglingRecord(QSqlDatabase db)
{
    ClassRecordRow record;
    if (TAV_ClassRecord::getInstance()->loadOpenRecord(db, &record) == -1)
        return;

    TAVMemInfo* mem = TAVMemInfo::getInstance();
    // Ended by the teacher, its end still on its way into the file: it is over, not taken up again.
    if (TavWriteKinds::lessonEndWaits(record.localRecordID, record.UUID)) {
        mem->currentRecord.localRecordID = -1;
        return;
    }
    const QDateTime start = QDateTime::fromString(record.startTime, kTimeFormat);
    const QDateTime now = QDateTime::currentDateTime();
    const QString name = ZUToolBarSer::makeRecordName(db, record);
    const qint64 hours = start.isValid() ? start.secsTo(now) / 3600 : kKeepRecordHours;

    if (hours < kKeepRecordHours && record.creator == mem->currentTeacher.username) {
        mem->currentSubjectName = TAV_SubjectInfo::getInstance()->selectSubjectName(db, record.subjectID);
        return;
    }
    // Not ended, it stays the current record: the tool bar shows it open and the teacher ends it later.
    TAV_ClassRecord::getInstance()->endLesson(db, record.localRecordID, name, now);
}

void ZUSysCheck::__checkTeacher(QSqlDatabase db)
{
    qDebug() << "enter __checkTeacher";
    const QString current = TAVMemInfo::getInstance()->currentTeacher.username;
    const QDateTime now = QDateTime::currentDateTime();
    const QList<TeacherInfoRow> teachers = TAV_TeacherInfo::getInstance()->selectAll(db);
    for (const TeacherInfoRow& teacher : teachers) {
        // The teacher who has just logged in keeps the data the tool bar is about to show, also after an
        // offline login long after the last online one.
        if (teacher.username == current)
            continue;
        const QDateTime login = QDateTime::fromString(teacher.loginDate, kTimeFormat);
        const qint64 days = login.isValid() ? login.daysTo(now) : 0;
        if (days > kKeepTeacherDays)
            __clearData(db, teacher.username);
    }
}

void ZUSysCheck::__clearData(QSqlDatabase db, const QString& username)
{
    qDebug() << "enter __clearData";
    qDebug().noquote() << "the userName is: " + username;
    TAV_CSTeacherInfo* links = TAV_CSTeacherInfo::getInstance();
    const QList<CSTeacherInfoRow> own = links->selectByUser(db, username);
    TAV_TeacherInfo::getInstance()->deleteByUser(db, username);
    links->deleteByUser(db, username);

    QList<int> classes;
    QList<int> subjects;
    for (const CSTeacherInfoRow& link : own) {
        if (!links->existsByClass(db, link.classID) && !classes.contains(link.classID))
            classes.append(link.classID);
        if (!links->existsBySubject(db, link.subjectID) && !subjects.contains(link.subjectID))
            subjects.append(link.subjectID);
    }
    for (int classID : classes) {
        TAV_ClassInfo::getInstance()->deleteByClass(db, classID);
        TAV_StudentInfo::getInstance()->deleteByClass(db, classID);
        TAV_StuSortInfo::getInstance()->deleteByClass(db, classID);
    }
    for (int subjectID : subjects)
        TAV_SubjectInfo::getInstance()->deleteBySubject(db, subjectID);
}

void ZUSysCheck::clearPaperData()
{
    const QString dir = CodeTool::ensureDir(QCoreApplication::applicationDirPath() + "/PaperData/");
    CodeTool::removeDirRecursively(dir, false);
}

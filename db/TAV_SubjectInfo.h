#pragma once

#include "Singleton.h"
#include "SubjectInfoRow.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// Table TAV_SubjectInfo: subject names.
class TAV_SubjectInfo : public QObject
{
public:
    static TAV_SubjectInfo* getInstance() { return TavSingleton<TAV_SubjectInfo>::instance(); }

    QString selectSubjectName(QSqlDatabase db, int subjectID);
    void deleteBySubject(QSqlDatabase db, int subjectID);
    void saveSubjects(QSqlDatabase db, QVector<SubjectInfoRow> subjects);
    // Subjects the teacher teaches in the class; also the teacher state's subject list.
    QVector<SubjectInfoRow> selectByUserAndClass(QSqlDatabase db, QString username, int classID);
    // The same, the teacher state left alone; false when a read failed (subjects then holds those read before).
    bool selectTaught(QSqlDatabase db, const QString& username, int classID, QVector<SubjectInfoRow>* subjects);

private:
    friend class TavSingleton<TAV_SubjectInfo>;
    TAV_SubjectInfo() = default;
};

#pragma once

#include "ExamStuInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>

// Table TAV_ExamStuInfo: the time each student used in a quiz.
class TAV_ExamStuInfo : public QObject
{
public:
    static TAV_ExamStuInfo* getInstance() { return TavSingleton<TAV_ExamStuInfo>::instance(); }

    // False on failure, and without writing when the quiz id is -1 (its insert failed).
    bool insertExamStuInfo(QSqlDatabase db, ExamStuInfoRow row);
    void setUploaded(QSqlDatabase db, int examID);
    void deleteByExam(QSqlDatabase db, int examID);
    QList<ExamStuInfoRow> selectNotUploaded(QSqlDatabase db, int examID);
    // Per quiz of the lesson record, what selectNotUploaded(quiz id) gives, in the same order, in one statement.
    QMap<int, QList<ExamStuInfoRow>> selectNotUploadedByRecord(QSqlDatabase db, int localRecordID);

private:
    friend class TavSingleton<TAV_ExamStuInfo>;
    TAV_ExamStuInfo() = default;
};

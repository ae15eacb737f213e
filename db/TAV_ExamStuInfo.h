#pragma once

#include "ExamStuInfoRow.h"
#include "Singleton.h"
#include "TavRowCursor.h"

#include <QList>
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
    // What selectNotUploaded gives for each quiz of the lesson record, quiz by quiz, in one statement, as rows of
    // a cursor with the columns of Pending.
    struct Pending
    {
        enum Column { DovaneID, ExamID, UseTime };
    };
    TavRowCursor pendingOfRecord(QSqlDatabase db, int localRecordID);

private:
    friend class TavSingleton<TAV_ExamStuInfo>;
    TAV_ExamStuInfo() = default;
};

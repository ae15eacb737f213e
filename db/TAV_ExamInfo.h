#pragma once

#include "ExamInfoRow.h"
#include "Singleton.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>

// Table TAV_ExamInfo: one row per quiz of a lesson.
class TAV_ExamInfo : public QObject
{
public:
    static TAV_ExamInfo* getInstance() { return TavSingleton<TAV_ExamInfo>::instance(); }

    // Returns the new examID, also written into row.examID; -1 in both on failure, so that callers skip
    // the quiz's student and answer rows.
    int insertExamInfo(QSqlDatabase db, ExamInfoRow& row);
    void setUploaded(QSqlDatabase db, int examID);
    void deleteByExam(QSqlDatabase db, int examID);
    QList<ExamInfoRow> selectNotUploaded(QSqlDatabase db, int localRecordID);
    QList<ExamInfoRow> selectByRecord(QSqlDatabase db, int localRecordID);
    // The examID of the quiz of the row's lesson with its start, end and paper: the same quiz, written already. 0
    // when there is none, -1 on failure.
    int selectSame(QSqlDatabase db, const ExamInfoRow& row);

private:
    friend class TavSingleton<TAV_ExamInfo>;
    TAV_ExamInfo() = default;
};

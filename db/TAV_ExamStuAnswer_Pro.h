#pragma once

#include "ExamStuAnswerProRow.h"
#include "Singleton.h"
#include "TavRowCursor.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>

// Table TAV_ExamStuAnswer_Pro: the history behind one answer row, in sequence.
class TAV_ExamStuAnswer_Pro : public QObject
{
public:
    static TAV_ExamStuAnswer_Pro* getInstance() { return TavSingleton<TAV_ExamStuAnswer_Pro>::instance(); }

    // False on failure, and without writing when the answer id is -1 (its insert failed).
    // answerTime is "yyyy-MM-dd HH:mm:ss"; empty stores NULL.
    bool insertExamStuAnswerPro(QSqlDatabase db, ExamStuAnswerProRow row);
    void setUploaded(QSqlDatabase db, int answerID);
    void deleteByAnswer(QSqlDatabase db, int answerID);
    QList<ExamStuAnswerProRow> selectNotUploaded(QSqlDatabase db, int answerID);

    // The table has no index on answerID, so each call above scans it whole; a quiz of 3000 answers made the
    // class-close upload stall for over a second. These do the same for a whole quiz in one statement.

    // Per not-uploaded answer of the quiz, what selectNotUploaded(answer id) gives, in the same order.
    // Answers without such rows have no entry; empty on failure.
    QMap<int, QList<ExamStuAnswerProRow>> selectNotUploadedByExam(QSqlDatabase db, int examID);
    // The same for every quiz of the lesson record at once (a lesson holds tens of thousands of answers), quiz by
    // quiz and answer by answer, as rows of a cursor with the columns of Pending.
    struct Pending
    {
        enum Column { Id, AnswerID, Sequence, Answer, AnswerTime };
    };
    TavRowCursor pendingOfRecord(QSqlDatabase db, int localRecordID);
    // setUploaded / deleteByAnswer for every answer of the quiz. Delete before the quiz's answer rows.
    void setUploadedByExam(QSqlDatabase db, int examID);
    void deleteByExam(QSqlDatabase db, int examID);

private:
    friend class TavSingleton<TAV_ExamStuAnswer_Pro>;
    TAV_ExamStuAnswer_Pro() = default;
};

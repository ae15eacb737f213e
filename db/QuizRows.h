#pragma once

#include "ExamInfoRow.h"
#include "ExamStuAnswerProRow.h"
#include "ExamStuAnswerRow.h"
#include "ExamStuInfoRow.h"

#include <QList>
#include <QSqlDatabase>

// A finished quiz as the rows of its four tables before the file has given them their ids: the quiz, each
// student's time, and his answer to every answer item with the history behind it. It goes into the file whole,
// the way the quiz services save it.
class QuizRows
{
public:
    struct Answer
    {
        ExamStuAnswerRow row;
        QList<ExamStuAnswerProRow> history;
    };
    struct Student
    {
        ExamStuInfoRow row;
        QList<Answer> answers;
    };

    ExamInfoRow quiz;
    QList<Student> students;

    // The quiz row, then every student's rows under its new id; false at the first row not written.
    bool write(QSqlDatabase db);
    // Every student's rows under the quiz examID, students in order, each with his answers and their histories.
    bool writeStudents(QSqlDatabase db, int examID) const;
    static bool writeAnswers(QSqlDatabase db, int examID, const Student& student);
};

#include "QuizRows.h"

#include "TAV_ExamInfo.h"
#include "TAV_ExamStuAnswer.h"
#include "TAV_ExamStuAnswer_Pro.h"
#include "TAV_ExamStuInfo.h"

#include <QtDebug>

bool QuizRows::write(QSqlDatabase db)
{
    return TAV_ExamInfo::getInstance()->insertExamInfo(db, quiz) >= 0 && writeStudents(db, quiz.examID);
}

bool QuizRows::writeStudents(QSqlDatabase db, int examID) const
{
    if (examID < 0) {
        qWarning() << "****the quiz row was not written, its students and answers are not saved";
        return false;
    }
    for (const Student& student : students) {
        ExamStuInfoRow row = student.row;
        row.examID = examID;
        if (!TAV_ExamStuInfo::getInstance()->insertExamStuInfo(db, row) || !writeAnswers(db, examID, student))
            return false;
    }
    return true;
}

bool QuizRows::writeAnswers(QSqlDatabase db, int examID, const Student& student)
{
    TAV_ExamStuAnswer* answers = TAV_ExamStuAnswer::getInstance();
    TAV_ExamStuAnswer_Pro* histories = TAV_ExamStuAnswer_Pro::getInstance();
    for (const Answer& answer : student.answers) {
        ExamStuAnswerRow row = answer.row;
        row.examID = examID;
        row.dovaneID = student.row.dovaneID;
        if (answers->insertExamStuAnswer(db, row) < 0)
            return false;
        for (ExamStuAnswerProRow entry : answer.history) {
            entry.answerID = row.id;
            if (!histories->insertExamStuAnswerPro(db, entry))
                return false;
        }
    }
    return true;
}

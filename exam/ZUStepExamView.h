#pragma once

#include <QString>

// What the question-by-question service tells its run screen. The screen implements it and hands itself to
// ZUStepExamSer::setView; without a screen the service runs all the same.
class ZUStepExamView
{
public:
    // After a question is started, on every tick, and with 0 when a question stops.
    virtual void setTimeLabels(int seconds) = 0;
    // The current question has stopped, by the teacher or at 0 seconds.
    virtual void onQuestionFinished() = 0;
    // An answer of the running question was stored; answeredItems counts this question's items only.
    virtual void onStudentAnswered(const QString& dovaneID, int answeredItems) = 0;

protected:
    ~ZUStepExamView() = default;
};

#pragma once

#include <QString>

// What the all-at-once service tells its run screen. The screen implements it and hands itself to
// ZUTeamExamSer::setView; without a screen the service runs all the same.
class ZUTeamExamView
{
public:
    // On every tick and after a minute was added or taken away.
    virtual void setTimeLabels(int seconds) = 0;
    // The quiz has stopped.
    virtual void onExamFinished() = 0;
    // An answer was stored; answeredItems counts the student's answered items of the whole paper.
    virtual void setStudentTileState(const QString& dovaneID, int answeredItems) = 0;

protected:
    ~ZUTeamExamView() = default;
};

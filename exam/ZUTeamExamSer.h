#pragma once

#include "Singleton.h"
#include "StudentInfo.h"
#include "ZUBaseExamSer.h"

#include <QDateTime>
#include <QString>

class ZUTeamExamView;

// Runs a loaded paper all at once: every answer item is open on the keypads under one countdown, which the
// teacher can pause, stop, restart after a stop, and lengthen or shorten by whole minutes; each keypad
// message names its item by its quiz number. States: 0 idle, 1 running, 2 paused, 3 stopped.
class ZUTeamExamSer : public ZUBaseExamSer
{
    Q_OBJECT
public:
    static ZUTeamExamSer* getInstance() { return TavSingleton<ZUTeamExamSer>::instance(); }

    static constexpr int kMaxExamTime = 7200;

    // The run screen; null runs the quiz without one.
    void setView(ZUTeamExamView* view) { m_view = view; }

    // The remaining time becomes the quiz duration.
    void resetExamTime();
    // One minute more (up to two hours) or less (never down to 0); in every state.
    void addExamTime();
    void decExamTime();
    // Each 0, or -1 with a text for the teacher.
    int startExam(QString& error);
    int stopExam(QString& error);
    int pauseToStart(QString& error);
    int stopToStart(QString& error);

    int remainingTime() const { return m_examTime; }

public slots:
    void __timeout();
    void __studentData(StudentInfo stuInfo);

private:
    friend class TavSingleton<ZUTeamExamSer>;
    ZUTeamExamSer();

    // False with the teacher's text when the state does not allow the operation, or no time is left.
    bool allowed(bool inState, bool needsTime, QString& error) const;
    void showTime();

    int m_examTime = 0;
    QDateTime m_examStart;
    ZUTeamExamView* m_view = nullptr;
};

#pragma once

#include "Singleton.h"
#include "StudentInfo.h"
#include "ZUBaseExamSer.h"

#include <QDateTime>
#include <QMap>
#include <QString>

class ZUStepExamView;

// Runs a loaded paper one question at a time on the keypads: starts, pauses, resumes and stops the current
// question, counts its time down once a second, files each keypad answer under the answering student, and
// saves the quiz when the teacher leaves. States: 0 idle, 1 running, 2 paused, 3 stopped.
class ZUStepExamSer : public ZUBaseExamSer
{
    Q_OBJECT
public:
    static ZUStepExamSer* getInstance() { return TavSingleton<ZUStepExamSer>::instance(); }

    // The run screen; null runs the quiz without one.
    void setView(ZUStepExamView* view) { m_view = view; }

    // 0 when the quiz duration gives every answer item at least 5 seconds; -1 with a text for the teacher.
    int checkExamSettings(QString& error);
    // The question's number of items times the time of one item.
    int getExamTimeByQIndex(int question) const;
    // Starts the question (its earlier answers are forgotten); -1 when refused, error set unless the state
    // was wrong.
    int startExam(int question, QString& error);
    void pauseToStart();
    void stopExam();

    int currentQuestion() const { return m_currentQuestion; }
    int remainingTime() const { return m_examTime; }

public slots:
    void __timeout();
    void __studentData(StudentInfo stuInfo);

private:
    friend class TavSingleton<ZUStepExamSer>;
    ZUStepExamSer();

    int m_itemTime = 0;
    int m_currentQuestion = 0;
    int m_severalItems = 0;
    QMap<int, int> m_itemMap; // subQuestionID (the keypad's quiz number) -> mcsn
    int m_examTime = 0;
    QDateTime m_questionStart;
    ZUStepExamView* m_view = nullptr;
};

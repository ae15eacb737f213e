#pragma once

#include "TeacherInfo.h"
#include "ZUExamResultViews.h"

#include <QDialog>
#include <QString>

class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class ZUBaseExamSer;

// What the two full-screen quiz screens share: the green top bar with the paper, the countdown, the class and
// the counts; the dark control column with start, pause, stop, the two reports and exit; the receiver checks and
// the messages; and a window that keyboard keys do not close. States of the screen: 0 not started, 1 running,
// 2 paused, 3 finished.
class ZUExamScreenBase : public QDialog
{
    Q_OBJECT
public:
    int state() const { return m_state; }
    // The countdown as hours, minutes and seconds of two digits at least.
    void showTime(int seconds);

public slots:
    // The teacher remote, heard while the screen is up and no message waits for an answer.
    void __getTeacherData(TeacherInfo tdata);
    // A receiver pulled out stops what runs; either way the teacher is told.
    void __devChange(bool change);

protected:
    // centreName names the white panel left of the control column that the screen fills.
    ZUExamScreenBase(const char* objectName, const QString& title, const char* centreName);

    // Red when not started or finished, green while running, yellow while paused.
    void setTimeColour(int state);
    // Paper name, question count and score of the quiz in progress, the class name and its number of students.
    void fillPaperInfo();
    // Covers the primary screen's work area and comes to the front.
    void showFullArea();
    // Hides the screen with the paper's reports and brings back the tool bar.
    void closeScreen();

    // The message box with the yes button only, modal.
    void tip(const QString& text);
    // The question with yes and no; true for yes.
    bool confirm(const QString& text);
    // The receiver in use is the class's; otherwise the teacher is told, and false.
    bool checkReceiver();
    // What the teacher is told after the receiver was plugged in (true) or pulled out (false).
    void tellReceiverChange(bool change);

    // The result window of a view, null without one; visible tells whether it is on screen. Asking whether a
    // window is visible, or hiding it, builds nothing.
    static QWidget* resultWindow(ZUExamResultViews::View view);
    static QWidget* builtResultWindow(ZUExamResultViews::View view);
    static bool resultVisible(ZUExamResultViews::View view);
    static void hideResult(ZUExamResultViews::View view);
    // Above every other window, and the active one.
    static void bringToFront(ZUExamResultViews::View view);
    void openPaperAnalysis(const ZUBaseExamSer& ser);
    void openRanking(const ZUBaseExamSer& ser);

    virtual void onTeacherKey(const QString& key) = 0;
    // Stops what runs, as the stop button does; nothing when nothing runs.
    virtual void stopRun() = 0;
    // Ends the quiz (saved when it was stopped, see endQuiz) and brings back the tool bar.
    virtual void leave() = 0;
    // Ends the quiz at once: a stopped one goes to the program's writer with every answer, which writes it into
    // the file now or as soon as the file can take it. True when the quiz has ended.
    static bool endQuiz(ZUBaseExamSer& ser);
    // The exit button: only when nothing runs, and after the teacher confirmed.
    void exitExam();
    // The pause button: the countdown stands still while the keypads go on answering.
    void pauseRun(ZUBaseExamSer& ser);

    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

    // The control column is filled by the screen, top to bottom: start, pause and stop; the two reports and
    // exit; anything of its own in between.
    void addRunButtons();
    void addReportButtons();
    QPushButton* addControlButton(const char* name, const QString& text, const char* icon, int width = 120);
    QLabel* addSeparator(const char* name);

    int m_state = 0;
    // While the teacher answers the questions of leaving, the remote and a second close wait.
    bool m_leaving = false;

    QWidget* m_centre; // the panel left of the control column, filled by the screen
    QVBoxLayout* m_centreLayout;
    QVBoxLayout* m_controlLayout; // the control column below its title
    QGridLayout* m_countsLayout; // the counts in the top bar
    QLabel* m_paperName;
    QLabel* m_questionNum;
    QLabel* m_score;
    QLabel* m_hour;
    QLabel* m_min;
    QLabel* m_sec;
    QLabel* m_className;
    QLabel* m_subject;
    QLabel* m_finishedCount;
    QLabel* m_totalCount;
    QPushButton* m_startBtn = nullptr;
    QPushButton* m_suspendBtn = nullptr;
    QPushButton* m_stopBtn = nullptr;
    QPushButton* m_analysisBtn = nullptr;
    QPushButton* m_rankingBtn = nullptr;
    QPushButton* m_exitBtn = nullptr;

private:
    void buildTopBar(QVBoxLayout* layout);
    void buildControlColumn(QWidget* column);
};

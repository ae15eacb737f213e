#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"
#include "StudentInfo.h"
#include "TeacherInfo.h"
#include "ZUFreeAnswerSer.h"

#include <QDialog>
#include <QEventLoop>
#include <QPropertyAnimation>
#include <QTimer>

class QLabel;
class QPushButton;
class QWidget;

// The panel left of the bar while an answering or feedback interaction runs: countdown, pause, stop, the
// answered count, and the buttons for the graph, the list and the answered/unanswered lists.
class ZUFreeActBar_left : public QDialog
{
    Q_OBJECT
public:
    static ZUFreeActBar_left* getInstance() { return TavSingleton<ZUFreeActBar_left>::instance(); }

    void startSingle() { startType(ZUFreeAnswerSer::Single); }
    void startMultiple() { startType(ZUFreeAnswerSer::Multiple); }
    void startDigit() { startType(ZUFreeAnswerSer::Digit); }
    void startDecide() { startType(ZUFreeAnswerSer::Vote); }
    void startWhether() { startType(ZUFreeAnswerSer::YesNo); }
    void startEvaluate() { startType(ZUFreeAnswerSer::Evaluate); }
    // The start operation of an answer type (0-2, 5-7).
    void startType(int answerType);

    void stopRound();
    void hidePanel(bool wait);
    bool isAnonymous() const;

    int remaining() const { return m_remaining; }
    bool clockRunning() const { return m_clock.isActive(); }
    const ZUFreeAnswerSer& answers() const { return m_answers; }
    const InteractInfoRow& interaction() const { return m_row; }
    QString answeredCountText() const;
    QString title() const;
    bool pauseVisible() const;

public slots:
    void timeout();
    void on_pause_clicked();
    void on_start_clicked();
    void on_end_clicked() { stopRound(); }
    void on_list_clicked();
    void on_graph_clicked();
    void on_stujionBtn_clicked();
    void __getTeacherData(TeacherInfo tdata);
    void __setStudentData(StudentInfo stu_info);
    void __dlgMove();

private slots:
    void __end_finish();

private:
    friend class TavSingleton<ZUFreeActBar_left>;
    ZUFreeActBar_left();

    void startRound(int answerType);
    void setDial(const char* image);
    void showRunning(bool running);
    // The answered count follows the answers at most 25 times a second, and exactly once they stop.
    void showCount();
    void __countPaced();
    static void hideCards();
    static QWidget* cardFor(int answerType);

    QRect m_closedRect;
    QRect m_openRect;
    QPropertyAnimation m_show;
    QPropertyAnimation m_hide;
    QEventLoop m_loop;
    QTimer m_clock;
    QTimer m_countPace;
    bool m_countDue = false;
    int m_remaining = 0;
    ZUFreeAnswerSer m_answers;
    InteractInfoRow m_row;
    int m_restartType = -1;

    QWidget* m_frame = nullptr;
    QLabel* m_title = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_end = nullptr;
    QPushButton* m_list = nullptr;
    QPushButton* m_graph = nullptr;
    QPushButton* m_join = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLabel* m_answerTime = nullptr;
    QLabel* m_stulist = nullptr;
    QLabel* m_countCaption = nullptr;
};

#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"
#include "StudentInfo.h"
#include "TeacherInfo.h"
#include "ZUFreeRushSer.h"
#include "ZUTAVDialogBase.h"

#include <QEventLoop>
#include <QPropertyAnimation>
#include <QTimer>

class QLabel;
class QPushButton;
class QWidget;

// The panel of a rush-to-answer round: countdown, the first press wins, the round ends three seconds later or
// when the time runs out, and every press is stored.
class ZUFreeActBar_left_rush : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUFreeActBar_left_rush* getInstance() { return TavSingleton<ZUFreeActBar_left_rush>::instance(); }

    void launchRush();
    void startRushRound(int answerType, bool animate);
    void stopRushRound();
    void hidePanel(bool wait);

    int remainSeconds() const { return m_remain; }
    bool winnerFound() const { return m_winnerFound; }
    bool clockRunning() const { return m_clock.isActive(); }
    bool pauseVisible() const;
    const ZUFreeRushSer& presses() const { return m_presses; }
    const InteractInfoRow& interaction() const { return m_row; }
    QString secondsText() const;

public slots:
    void timeout();
    void on_pause_clicked();
    void on_start_clicked();
    void on_end_clicked();
    void on_list_clicked();
    void __getTeacherData(TeacherInfo tdata);
    void __setStudentData(StudentInfo stu_info);
    void __dlgMove();
    void __end_finish();

private:
    friend class TavSingleton<ZUFreeActBar_left_rush>;
    ZUFreeActBar_left_rush();

    void setDial(const char* image);
    void showRunning(bool running);

    QRect m_homeRect;
    QRect m_hiddenRect;
    QPropertyAnimation m_show;
    QPropertyAnimation m_hide;
    QEventLoop m_loop;
    QTimer m_clock;
    int m_remain = 0;
    int m_answerType = 3;
    ZUFreeRushSer m_presses;
    InteractInfoRow m_row;
    bool m_winnerFound = false;

    QWidget* m_bar = nullptr;
    QLabel* m_title = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_end = nullptr;
    QPushButton* m_list = nullptr;
    QLabel* m_dialBg = nullptr;
    QLabel* m_dial = nullptr;
    QLabel* m_seconds = nullptr;
};

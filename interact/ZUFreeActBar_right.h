#pragma once

#include "Singleton.h"
#include "TeacherInfo.h"

#include <QDialog>
#include <QEventLoop>
#include <QList>
#include <QPropertyAnimation>

class QLabel;
class QPushButton;
class QWidget;
class ZUTAVLPPushbtn;
class ZUTipDlg;

// The type menu that slides out right of the expanded bar: eight interaction types, the report and close.
// A long press makes a type the remote's quick-start default; the remote's arrows move a focus mark.
class ZUFreeActBar_right : public QDialog
{
    Q_OBJECT
public:
    static ZUFreeActBar_right* getInstance() { return TavSingleton<ZUFreeActBar_right>::instance(); }

    void showMenu();
    void hideMenu(bool wait);
    void setFocusIndex(int n);
    int focusIndex() const { return m_focus; }
    void clickFocused();
    bool checkReceiver();
    void refreshDefaultMarks();
    // Button n (1-8) in focus order.
    ZUTAVLPPushbtn* typeButton(int n) const { return m_buttons.value(n - 1); }

public slots:
    void simpleSelA_clicked();
    void mulSelA_clicked();
    void digA_clicked();
    void rushA_clicked();
    void randomA_clicked();
    void decideA_clicked();
    void whetherA_clicked();
    void evaluateA_clicked();
    void answer_longPress(ZUTAVLPPushbtn* button);
    void feed_longPress(ZUTAVLPPushbtn* button);
    void interactS_clicked();
    void closeBtn_clicked();
    void __getTeacherData(TeacherInfo tdata);
    void __dlgMove();

private slots:
    void __end_finish();

private:
    friend class TavSingleton<ZUFreeActBar_right>;
    ZUFreeActBar_right();

    void startType(int answerType);
    void longPress(ZUTAVLPPushbtn* button, QLabel* mark);
    void placeMark(QLabel* mark, const QString& value, int firstButton, int count);

    ZUTipDlg* m_tip;
    QPropertyAnimation m_show;
    QPropertyAnimation m_hide;
    QEventLoop m_loop;
    QRect m_open;
    QRect m_closed;
    int m_focus = 0;
    QList<ZUTAVLPPushbtn*> m_buttons;

    QWidget* rihtg_frame = nullptr;
    QPushButton* interactS = nullptr;
    QPushButton* closeBtn = nullptr;
    QLabel* start_t_label = nullptr;
    QLabel* start_b_label = nullptr;
    QWidget* focus_widget = nullptr;
};

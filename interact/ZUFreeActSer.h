#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// The free-interaction state that the bar owns and every panel reads, the quick-start flag, the collapse
// countdown, and the decisions the bar takes on its centre button and on remote keys. The bar widget carries
// the decisions out.
class ZUFreeActSer : public QObject
{
    Q_OBJECT
public:
    enum State { Collapsed = 0, Menu = 1, Running = 2, RushRunning = 3, Ended = 4, RushEnded = 5, Picking = 6 };

    // What the centre button does in the current state.
    enum class Centre { Nothing, OpenMenu, CloseMenu, CloseQuick, CloseToMenu };

    // What a remote quick start does, by the settings value read.
    enum class Quick { Nothing, OpenMenu, Single, Multiple, Digit, Rush, Random, Vote, YesNo, Evaluate };

    explicit ZUFreeActSer(QObject* parent = nullptr);

    int state() const { return m_state; }
    // 1 also starts the collapse countdown (3 ticks of 10 s); any other state stops it.
    void setState(int state);

    bool quickStart() const { return m_quick; }
    void setQuickStart(bool quick) { m_quick = quick; }
    int countdown() const { return m_countdown; }
    bool collapseTimerActive() const { return m_timer.isActive(); }
    void stopCollapseTimer() { m_timer.stop(); }

    Centre centreAction() const;
    static Quick quickAnswer(const QString& answerMethod);
    static Quick quickFeedback(const QString& feedbackType);

    static constexpr int collapseTickMs = 10000;

signals:
    // The countdown ran out in the menu state: the bar closes the menu as if its centre button was pressed.
    void collapseDue();

private slots:
    void __resetTimeOut();

private:
    int m_state = Collapsed;
    bool m_quick = false;
    int m_countdown = 0;
    QTimer m_timer;
};

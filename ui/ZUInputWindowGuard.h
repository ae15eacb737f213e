#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPointer>

class QWidget;

// While it lives, the teacher's input reaches one window as it comes, and a box opened meanwhile (a modal
// window, a popup) too, so that it can be answered; input for any other window is dropped rather than held for
// whatever is on screen afterwards. Without a window, nothing is filtered and a nested loop holds all input back.
class ZUInputWindowGuard : public QObject
{
public:
    explicit ZUInputWindowGuard(QWidget* window);
    ~ZUInputWindowGuard() override;

    // The flags a nested loop runs with under this guard.
    QEventLoop::ProcessEventsFlags loopFlags() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool takesInput(QObject* watched) const;

    QPointer<QWidget> m_window;
    bool m_filtering = false;
};

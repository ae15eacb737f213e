#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Lets a window repaint at most once an interval; what changes in between is drawn together in the next repaint.
// A screen that changes a little with every one of a hundred answers a second would otherwise hand the window
// system a frame for each of them, and each frame costs the window's whole repaint machinery.
class ZURepaintPacer : public QObject
{
    Q_OBJECT
public:
    // Paces the given window, and is owned by it.
    ZURepaintPacer(QWidget* window, int intervalMs);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void repaintNow();

    QWidget* m_window;
    int m_interval;
    QElapsedTimer m_last;
    QTimer m_due;
};

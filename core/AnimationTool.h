#pragma once

#include "Singleton.h"

#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QPropertyAnimation;

// Slides a window in from, or out to, an edge of the primary screen's work area. One animation is shared by
// every slide: a new slide takes it over, and a window whose slide-out it interrupts is closed at once.
// A window hidden while it slides stops its slide.
class AnimationTool : public QObject
{
    Q_OBJECT
public:
    enum Direction { Left = 0, Top = 1, Bottom = 3 };

    AnimationTool();

    static AnimationTool* getInstance() { return TavSingleton<AnimationTool>::instance(); }

    // show true slides the widget in; false slides it out and closes it at the end.
    void animateWidget(int duration, QWidget* widget, int direction, bool show);

    // (off-screen, on-screen) rectangles of a widget of the given size at an edge of the work area;
    // both null for a direction that is not an edge we slide from.
    static QPair<QRect, QRect> slideGeometry(const QRect& available, const QSize& size, int direction);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPropertyAnimation* m_animation;
    // The window the running slide-out will close.
    QPointer<QWidget> m_leaving;
};

#include "AnimationTool.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>

AnimationTool::AnimationTool()
    : m_animation(new QPropertyAnimation(this))
{
}

QPair<QRect, QRect> AnimationTool::slideGeometry(const QRect& available, const QSize& size, int direction)
{
    const int l = available.left();
    const int t = available.top();
    const int w = size.width();
    const int h = size.height();
    switch (direction) {
    case Left:
        return { QRect(l - w, t + (available.height() - h) / 2, w, h),
                 QRect(l, t + (available.height() - h) / 2, w, h) };
    case Top:
        return { QRect(l + (available.width() - w) / 2, t - h, w, h), QRect(l + (available.width() - w) / 2, t, w, h) };
    case Bottom:
        return { QRect(l + (available.width() - w) / 2, t + available.height(), w, h),
                 QRect(l + (available.width() - w) / 2, t + available.height() - h, w, h) };
    default:
        return {};
    }
}

void AnimationTool::animateWidget(int duration, QWidget* widget, int direction, bool show)
{
    if (!widget) {
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QPair<QRect, QRect> rects = slideGeometry(screen->availableGeometry(), widget->size(), direction);
    if (rects.first.isNull()) {
        return;
    }
    const bool interrupted = m_animation->state() == QAbstractAnimation::Running;
    m_animation->stop();
    // A close left connected would hit its window at the end of some later, unrelated slide.
    disconnect(m_animation, &QPropertyAnimation::finished, nullptr, nullptr);
    if (interrupted && m_leaving && m_leaving != widget) {
        m_leaving->close();
    }
    m_leaving = show ? nullptr : widget;
    if (QObject* previous = m_animation->targetObject())
        previous->removeEventFilter(this);
    widget->installEventFilter(this);
    m_animation->setTargetObject(widget);
    m_animation->setPropertyName("geometry");
    m_animation->setDuration(duration);
    if (show) {
        m_animation->setStartValue(rects.first);
        m_animation->setEndValue(rects.second);
    } else {
        m_animation->setStartValue(rects.second);
        m_animation->setEndValue(rects.first);
        connect(m_animation, &QPropertyAnimation::finished, widget, &QWidget::close);
    }
    m_animation->start();
}

bool AnimationTool::eventFilter(QObject* watched, QEvent* event)
{
    // Sliding a window nobody sees would only wake the interface thread for every frame.
    if (event->type() == QEvent::Hide && watched == m_animation->targetObject()
        && m_animation->state() == QAbstractAnimation::Running) {
        m_animation->stop();
        disconnect(m_animation, &QPropertyAnimation::finished, nullptr, nullptr);
        m_leaving = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

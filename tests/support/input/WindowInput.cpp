#include "WindowInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace WindowInput {

bool click(QWidget* widget)
{
    // The teacher clicks where he sees the widget: on a window laid out after its last change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (!widget || !widget->isVisible())
        return false;
    QWindow* window = widget->window()->windowHandle();
    if (!window)
        return false;
    const QPoint centre = widget->rect().center();
    const QPointF local = widget->mapTo(widget->window(), centre);
    const QPointF global = widget->mapToGlobal(centre);
    QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                                             QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                                             QEvent::MouseButtonRelease);
    return true;
}

bool requestClose(QWidget* window)
{
    if (!window || !window->window()->windowHandle())
        return false;
    QWindowSystemInterface::handleCloseEvent(window->window()->windowHandle());
    return true;
}

bool pressKey(QWidget* widget, int key)
{
    if (!widget || !widget->isVisible() || !widget->window()->windowHandle())
        return false;
    widget->setFocus(Qt::OtherFocusReason);
    QWindow* window = widget->window()->windowHandle();
    QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyPress, key, Qt::NoModifier);
    QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyRelease, key, Qt::NoModifier);
    return true;
}

} // namespace WindowInput

#include "ZUInputWindowGuard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

ZUInputWindowGuard::ZUInputWindowGuard(QWidget* window)
    : m_window(window)
    , m_filtering(window != nullptr)
{
    if (m_filtering)
        qApp->installEventFilter(this);
}

ZUInputWindowGuard::~ZUInputWindowGuard()
{
    if (m_filtering)
        qApp->removeEventFilter(this);
}

QEventLoop::ProcessEventsFlags ZUInputWindowGuard::loopFlags() const
{
    return m_filtering ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
}

bool ZUInputWindowGuard::eventFilter(QObject* watched, QEvent* event)
{
    return isUserInput(event->type()) && !takesInput(watched);
}

bool ZUInputWindowGuard::takesInput(QObject* watched) const
{
    // Once the window is gone there is nothing to keep the input for.
    if (!m_window)
        return true;
    QWindow* target = nullptr;
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
        if (widget->window() == m_window)
            return true;
        target = widget->window()->windowHandle();
    } else if (!(target = qobject_cast<QWindow*>(watched))) {
        return true; // not a window: a shortcut's own object
    }
    if (!target)
        return false;
    if (target == m_window->windowHandle())
        return true;
    // A box on top is answered before anything goes on; Qt itself keeps the windows under it from input.
    QWidget* box = QApplication::activePopupWidget();
    if (!box)
        box = QApplication::activeModalWidget();
    return target == QGuiApplication::modalWindow() || (box && target == box->windowHandle());
}

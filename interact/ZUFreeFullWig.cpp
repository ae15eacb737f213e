#include "ZUFreeFullWig.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>

ZUFreeFullWig::ZUFreeFullWig()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("自由互动"));
    setWindowIcon(QIcon(QCoreApplication::applicationDirPath() + "/Resources/images/TAV.ico"));
    setAttribute(Qt::WA_TranslucentBackground);
    move(0, 0);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setFixedSize(screen->availableGeometry().size());
    updateMask();
}

QRegion ZUFreeFullWig::childrenRegion() const
{
    QRegion region;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && widget->isVisibleTo(this))
            region += widget->geometry();
    }
    return region;
}

void ZUFreeFullWig::childEvent(QChildEvent* e)
{
    if (e->added() && e->child()->isWidgetType())
        e->child()->installEventFilter(this);
    QWidget::childEvent(e);
}

bool ZUFreeFullWig::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (!m_maskPending) {
            m_maskPending = true;
            QTimer::singleShot(0, this, &ZUFreeFullWig::updateMask);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void ZUFreeFullWig::updateMask()
{
    m_maskPending = false;
    const QRegion region = childrenRegion();
    // An empty mask would mean no mask at all, that is the whole screen.
    setMask(region.isEmpty() ? QRegion(0, 0, 1, 1) : region);
}

#include "ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <qpa/qwindowsysteminterface.h>

namespace ScreenGeometry {

bool setPrimary(const QRect& geometry, const QRect& available)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    QWindowSystemInterface::handleScreenGeometryChange(screen, geometry, available);
    QWindowSystemInterface::flushWindowSystemEvents();
    return screen->geometry() == geometry && screen->availableGeometry() == available;
}

} // namespace ScreenGeometry

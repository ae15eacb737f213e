#pragma once

#include <QRect>

// The offscreen platform's one screen is 800 x 600; windows laid out for a classroom PC are tested on the size
// of one. The change goes through the window system's queue, as a monitor's would, so QScreen and every
// geometry signal see it.
namespace ScreenGeometry {

// Gives the primary screen geometry and the available area within it (what a task bar leaves); false without
// a screen.
bool setPrimary(const QRect& geometry, const QRect& available);
// 1920 x 1080, all of it available.
inline bool useFullHd()
{
    return setPrimary(QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080));
}

} // namespace ScreenGeometry

#pragma once

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

// Xlib's own header defines macros (None, Bool, Status) that break Qt's headers included after it: the one call
// needed is declared here instead.
struct _XDisplay;
extern "C" int XSync(_XDisplay* display, int discard);

namespace XRoundTrip {

// Waits until the X server has handled every request the program sent, the frames of the last paints among them:
// what the screen shows from then on. Nothing without an X display.
inline void wait()
{
    static _XDisplay* const display = [] {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        return native ? static_cast<_XDisplay*>(native->nativeResourceForIntegration("display")) : nullptr;
    }();
    if (display)
        XSync(display, 0);
}

} // namespace XRoundTrip

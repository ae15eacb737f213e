#pragma once

class QWidget;

// The teacher's mouse and window manager as the window system delivers them: each event goes into Qt's input
// queue, as the X server's do, and reaches the program when its event loop (or a nested one) takes it; so a
// click during a modal box, or in a loop that holds input back, meets what a real click meets.
namespace WindowInput {

// A left click in the middle of the widget, pressed and released on its window; false when the widget is not
// on screen.
bool click(QWidget* widget);
// The window manager asks the widget's window to close (its close control, Alt+F4).
bool requestClose(QWidget* window);
// A key pressed and released on the widget, which has the keyboard's focus in its window (as after a click or a
// Tab into it); false when the widget is not on screen.
bool pressKey(QWidget* widget, int key);

} // namespace WindowInput

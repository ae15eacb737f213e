#pragma once

#include <functional>

// How a screen the teacher leaves brings the tool bar back. The tool bar lives in a library above the screens'
// (it opens them), so the program installs the way to show it at start-up; until then leaving shows nothing.
class ZUToolBarReturn
{
public:
    static void install(const std::function<void()>& showToolBar);
    static void bringBack();
};

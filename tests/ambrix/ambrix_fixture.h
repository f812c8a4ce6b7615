#pragma once
// A fresh ambrix for every test: all its screens registered with a new
// navigator that records the end of the program instead of quitting.

#include "ambrix_screens.h"
#include "screen_driver.h"
#include "window_services.h"

#include <cmath>
#include <memory>

namespace testing_support {

class AmbrixRun {
public:
    AmbrixRun()
    {
        ArmWatchdog();
        nav.SetEndAction([this] { ++ends; });
        ambrix::RegisterScreens(nav);
    }
    ~AmbrixRun()
    {
        // Leaves no window behind for the next test.
        if (!nav.Ended())
            nav.EndProgram();
        Settle();
    }

    // Opens a screen the way the program would reach it: the start screen
    // first, then a move to the screen, so that it is the only main-path one.
    void Open(const QString &screen)
    {
        nav.ShowScreen(ambrix::kStartScreen);
        if (screen != ambrix::kStartScreen)
            nav.GoToScreen(ambrix::kStartScreen, screen);
        Settle();
    }

    framework::ScreenNavigator nav;
    int ends = 0;
};

// The pixel rectangle of a twips rectangle, both edges rounded.
inline QRect PixelRect(int left, int top, int width, int height)
{
    auto px = [](int twips) { return int(std::lround(twips / 15.0)); };
    return QRect(px(left), px(top), px(left + width) - px(left), px(top + height) - px(top));
}

} // namespace testing_support

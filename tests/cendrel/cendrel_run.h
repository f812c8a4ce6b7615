#pragma once
// One run of cendrel on its real screens, opened on a given screen. Ending
// the program is counted instead of leaving the event loop.

#include "cendrel_screens.h"
#include "screen_driver.h"
#include "screen_navigator.h"

class CendrelRun {
public:
    explicit CendrelRun(const QString &firstScreen)
    {
        testing_support::ArmWatchdog();
        nav.SetEndAction([this] { ++ends; });
        cendrel::RegisterScreens(nav);
        nav.ShowScreen(firstScreen);
    }
    framework::ScreenNavigator nav;
    int ends = 0;
};

#pragma once

#include "screen_navigator.h"

#include <functional>

namespace framework {

// Whether there is a display to show windows on: a Qt platform chosen, or a
// desktop (an X or Wayland display; on Windows always).
bool HasDisplay();

// Starts a program: checks that there is a display to show windows on,
// prepares the application, registers the screens, shows the start screen
// and runs the event loop until the navigator ends the program.
int RunProgram(int argc, char **argv, const QString &programName,
               const std::function<void(ScreenNavigator &)> &registerScreens,
               const QString &startScreen);

} // namespace framework

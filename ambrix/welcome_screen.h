#pragma once
// Form1, the screen ambrix starts on: the banner, the choice of standard
// ("GB" or "ANSI") and the about texts.

#include "screen_navigator.h"

namespace ambrix {

framework::ScreenDefinition WelcomeScreen();

void RegisterWelcomeScreen(framework::ScreenNavigator &navigator);

} // namespace ambrix

#pragma once
// The screens of ambrix: the welcome screen it starts on, the two selection
// screens, the twelve calculator screens and the three reference screens.

#include "screen_navigator.h"

#include <QString>

namespace ambrix {

// Registers every screen of the program with its navigator.
void RegisterScreens(framework::ScreenNavigator &navigator);

// The screen the program opens at start: the welcome screen.
inline const QString kStartScreen = "Form1";

} // namespace ambrix

#pragma once
// The screens of cendrel: the function menu it starts on and the converter.

#include "screen_navigator.h"

#include <QString>

namespace cendrel {

// Registers every screen of the program with its navigator.
void RegisterScreens(framework::ScreenNavigator &navigator);

// The screen the program opens at start: the function menu.
inline const QString kStartScreen = "F1";

} // namespace cendrel

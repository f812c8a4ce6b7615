#pragma once
// The function menu cendrel starts on: a banner and three numbered entries,
// each a line of text with a picture button to its right. Only the third
// button has an action: it opens the converter and closes the menu.

#include "screen_window.h"

#include <QString>

namespace cendrel {

inline const QString kMenuScreen = "F1";

framework::ScreenDefinition FunctionMenuScreen();

} // namespace cendrel

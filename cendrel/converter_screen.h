#pragma once
// The converter: the user types a chromaticity point (x, y), presses
// "计  算" and reads the estimated colour temperature in kelvin; a clock line
// shows the time of day and "关  闭" ends the program.

#include "screen_window.h"

#include <QString>

namespace cendrel {

inline const QString kConverterScreen = "F4";

framework::ScreenDefinition ConverterScreen();

} // namespace cendrel

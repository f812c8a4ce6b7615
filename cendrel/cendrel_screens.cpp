#include "cendrel_screens.h"

#include "converter_screen.h"
#include "function_menu.h"

namespace cendrel {

void RegisterScreens(framework::ScreenNavigator &navigator)
{
    navigator.Register(kMenuScreen, FunctionMenuScreen);
    navigator.Register(kConverterScreen, ConverterScreen);
}

} // namespace cendrel

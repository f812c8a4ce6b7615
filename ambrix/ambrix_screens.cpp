#include "ambrix_screens.h"

#include "calculator_screens.h"
#include "reference_screens.h"
#include "selection_screens.h"
#include "welcome_screen.h"

namespace ambrix {

void RegisterScreens(framework::ScreenNavigator &navigator)
{
    RegisterWelcomeScreen(navigator);
    RegisterSelectionScreens(navigator);
    RegisterCalculatorScreens(navigator);
    RegisterReferenceScreens(navigator);
}

} // namespace ambrix

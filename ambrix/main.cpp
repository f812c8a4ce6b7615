// ambrix: rates a measured chromaticity point against the tolerance ellipse
// of a standard and nominal CCT. It opens on its welcome screen; everything
// else happens on screens.

#include "ambrix_screens.h"
#include "program.h"

int main(int argc, char **argv)
{
    return framework::RunProgram(argc, argv, QStringLiteral("ambrix"), ambrix::RegisterScreens,
                                 ambrix::kStartScreen);
}

// cendrel: estimates the correlated colour temperature of a chromaticity
// point. It opens on its function menu; everything else happens on screens.

#include "cendrel_screens.h"
#include "program.h"

int main(int argc, char **argv)
{
    return framework::RunProgram(argc, argv, QStringLiteral("cendrel"), cendrel::RegisterScreens,
                                 cendrel::kStartScreen);
}

// ambrix: rates a measured chromaticity point against the tolerance ellipse
// of a standard and nominal CCT. It opens on its welcome screen; everything
// else happens on screens. With --batch it rates a whole measurement file
// from the command line instead (see --help).

#include "ambrix_screens.h"
#include "command_line.h"
#include "program.h"
#include "process.h"

int main(int argc, char **argv)
{
    if (const std::optional<int> status =
            batchui::RunCommandLine(argc, argv, QStringLiteral("ambrix")))
        return *status;
    // The console twin (Windows) leaves the screens to the window program.
    if (platform::HandOverToWindowProgram())
        return 0;
    return framework::RunProgram(argc, argv, QStringLiteral("ambrix"), ambrix::RegisterScreens,
                                 ambrix::kStartScreen);
}

// cendrel: estimates the correlated colour temperature of a chromaticity
// point. It opens on its function menu; everything else happens on screens.
// With --batch it rates a whole measurement file from the command line
// instead (see --help).

#include "command_line.h"
#include "cendrel_screens.h"
#include "program.h"
#include "process.h"

int main(int argc, char **argv)
{
    if (const std::optional<int> status =
            batchui::RunCommandLine(argc, argv, QStringLiteral("cendrel")))
        return *status;
    // The console twin (Windows) leaves the screens to the window program.
    if (platform::HandOverToWindowProgram())
        return 0;
    return framework::RunProgram(argc, argv, QStringLiteral("cendrel"), cendrel::RegisterScreens,
                                 cendrel::kStartScreen);
}

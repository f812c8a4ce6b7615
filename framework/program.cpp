#include "program.h"

#include "window_services.h"

#include "process.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace framework {

bool HasDisplay()
{
    const char *chosen = std::getenv("QT_QPA_PLATFORM");
    return (chosen && *chosen) || platform::HasDesktop();
}

int RunProgram(int argc, char **argv, const QString &programName,
               const std::function<void(ScreenNavigator &)> &registerScreens,
               const QString &startScreen)
{
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "%s: there is no display to show its windows on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or give it a display, for example:\n"
                     "  xvfb-run -a scripts/run.sh %s          (a virtual X display)\n"
                     "  QT_QPA_PLATFORM=vnc scripts/run.sh %s  (then connect a VNC viewer to "
                     "port 5900)\n",
                     qPrintable(programName), qPrintable(programName), qPrintable(programName));
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(programName);
    PrepareApplication();

    int status = 0;
    {
        ScreenNavigator navigator;
        registerScreens(navigator);
        navigator.ShowScreen(startScreen);
        status = app.exec();
        // Windows unloaded in the last handler are still waiting for the
        // loop; the navigator deletes whatever is left.
    }
    return status;
}

} // namespace framework

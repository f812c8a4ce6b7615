// Start-up and memory figures of a program beside a bare Qt window.
// Prints "shown" on stdout as soon as the start window has been painted
// (the harness measures from process start to that line), then opens every
// screen once the way a user goes through them, lets them paint, and prints
// the peak resident memory.

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#if defined(BENCH_AMBRIX)
#include "ambrix_screens.h"
#include "screen_navigator.h"
#include "window_services.h"
#elif defined(BENCH_CENDREL)
#include "cendrel_screens.h"
#include "screen_navigator.h"
#include "window_services.h"
#endif

#include "proc_status.h"

namespace {

long PeakResidentKiB()
{
    return tools::StatusKiB("VmHWM");
}

// Reports once, after the first paint of the watched window.
class FirstPaint : public QObject {
public:
    std::function<void()> then;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && then) {
            auto action = std::move(then);
            then = nullptr;
            QTimer::singleShot(0, action);
        }
        return QObject::eventFilter(watched, event);
    }
};

void Finish(const std::function<void()> &openEverything, int settleMs)
{
    std::printf("shown\n");
    std::fflush(stdout);
    openEverything();
    QTimer::singleShot(settleMs, [] {
        QCoreApplication::processEvents();
        std::printf("peak_kib %ld\n", PeakResidentKiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    FirstPaint firstPaint;
#if defined(BENCH_BARE)
    QWidget window;
    window.resize(466, 213);
    window.setWindowTitle("bare");
#if defined(BENCH_TEXT)
    // For comparison: the same window with one line of Chinese text in one
    // installed Song face, the least any screen of the programs shows.
    QLabel text(QStringLiteral("请输入色坐标X,Y。Please text (X,Y)."), &window);
    text.setFont(QFont(QStringLiteral("AR PL SungtiL GB"), 12));
    text.move(8, 24);
#endif
    window.installEventFilter(&firstPaint);
    firstPaint.then = [] { Finish([] {}, 300); };
    window.show();
    return app.exec();
#else
    framework::PrepareApplication();
    framework::ScreenNavigator navigator;
#if defined(BENCH_AMBRIX)
    ambrix::RegisterScreens(navigator);
    const QString start = ambrix::kStartScreen;
    const QStringList everything = {"Form2",   "CN6500K", "CN5000K", "CN4000K", "CN3500K",
                                    "CN3000K", "CN2700K", "Form4",   "Form5",   "Form6",
                                    "Form3",   "US6500K", "US5000K", "US4000K", "US3500K",
                                    "US3000K", "US2700K"};
#else
    cendrel::RegisterScreens(navigator);
    const QString start = cendrel::kStartScreen;
    const QStringList everything = {"F4"};
#endif
    // cendrel's figure is taken with the converter's clock ticking.
    const int settleMs = everything.size() == 1 ? 2300 : 300;
    navigator.ShowScreen(start);
    navigator.Window(start)->installEventFilter(&firstPaint);
    firstPaint.then = [&] {
        Finish([&] {
            // The user's way through the screens: each main-path screen
            // replaces the last one; reference screens open beside them.
            QString current = start;
            for (const QString &screen : everything) {
                if (screen.startsWith("Form") && screen.back() >= u'4') {
                    navigator.ShowScreen(screen);
                } else {
                    navigator.GoToScreen(current, screen);
                    current = screen;
                }
                QCoreApplication::processEvents();
            }
        }, settleMs);
    };
    return app.exec();
#endif
}

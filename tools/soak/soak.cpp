// A long session with both programs, for their memory: thousands of rounds
// through the real screens, as a user goes through them, with the resident
// memory printed at the start, at every checkpoint and at the end.
//
//   norvak_soak [rounds] [ambrix|cendrel] [--no-pixmap-cache]
//
// By default 10000 rounds of both programs; run it headless. With
// --no-pixmap-cache Qt's application-wide pixmap cache is turned off, which
// tells growth of the cache (Qt's style keeps a few pixmaps for every window
// with a palette of its own) from growth of the programs.
//
// A round of ambrix goes from the welcome screen through a selection screen
// to the next of the twelve calculators, computes there (a complete point,
// a missing one, or a text that is not a number), opens the three reference
// screens and closes them again, and goes back to the welcome screen; now
// and then it presses a nominal CCT without an ellipse, and every 500 rounds
// it ends the program with "关 闭" and starts it afresh. A round of cendrel
// computes on the converter while its clock ticks every millisecond instead
// of every second; every 1000 rounds it ends the program and starts again
// from the function menu. Every answer is checked against the numeric core.
// Exit status 1 when a screen did not do what it should.

#include "soak_user.h"

#include "ambrix_screens.h"
#include "calculator_screens.h"
#include "reference_screens.h"
#include "screen_common.h"
#include "selection_screens.h"

#include "cendrel_screens.h"
#include "converter_screen.h"
#include "function_menu.h"

#include "cct_estimator.h"
#include "ellipse.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"
#include "window_services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmapCache>
#include <QTimer>
#include <cstdio>
#include <malloc.h>
#include <memory>

#include "../proc_status.h"

namespace {

using framework::ScreenNavigator;

const QString kMissing = QStringLiteral("请输入色坐标x,y值后再计算");

long ResidentKiB()
{
    return tools::StatusKiB("VmRSS");
}

// The bytes the program holds from the C heap: when resident memory grows
// and this does not, the heap is fragmented, nothing is kept. "-" where the
// allocator does not tell (AddressSanitizer's).
QByteArray HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    const auto kib = (info.uordblks + info.hblkhd) / 1024;
    return kib > 0 ? QByteArray::number(qulonglong(kib)) + " kB" : QByteArray("-");
}

// Windows unloaded during the round go now, as they would when the event
// loop next turns.
void Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A fresh run of a program on its start screen, after the last run's
// windows have gone; ending it is recorded by the navigator only.
void StartProgram(std::unique_ptr<ScreenNavigator> &nav,
                  void (*registerScreens)(ScreenNavigator &), const QString &startScreen)
{
    nav.reset();
    Settle();
    nav = std::make_unique<ScreenNavigator>();
    nav->SetEndAction([] {});
    registerScreens(*nav);
    nav->ShowScreen(startScreen);
}

// Counts what happened and reports what went wrong, the first few in full.
struct Tally {
    long checks = 0;
    long mismatches = 0;
    long results = 0;
    long missing = 0;
    long failures = 0;
    long otherMessages = 0;
    long screensOpened = 0;
    long clockTicks = 0;
    long programStarts = 0;

    void Expect(bool ok, int round, const QString &what)
    {
        ++checks;
        if (ok)
            return;
        if (++mismatches <= 10)
            std::fprintf(stderr, "round %d: %s\n", round, qPrintable(what));
    }
};

// What one compute press puts in: a complete point, a missing one, or a
// text that is not a number, and for cendrel also y = 0.187.
enum class Input { Complete, Missing, NotANumber, DivisionByZero };

struct Point {
    QString xText, yText;
    Input input;
};

Point PointFor(int round, bool withDivision)
{
    const int kind = round % (withDivision ? 6 : 5);
    const QString x = QString::number(0.30 + (round * 7 % 100) * 0.002, 'f', 4);
    const QString y = QString::number(0.30 + (round * 11 % 100) * 0.0015, 'f', 4);
    switch (kind) {
    case 3:
        return round % 2 ? Point{{}, y, Input::Missing} : Point{x, "0", Input::Missing};
    case 4:
        return round % 2 ? Point{"abc", y, Input::NotANumber}
                         : Point{x, "0.3.1", Input::NotANumber};
    case 5:
        return {x, "0.187", Input::DivisionByZero};
    default:
        return {x, y, Input::Complete};
    }
}

// Tells the outcome of a press from the messages answered during it.
void CountMessages(Tally &tally, const QStringList &messages)
{
    for (const QString &m : messages)
        ++(m == kMissing ? tally.missing : tally.failures);
}

class AmbrixSession {
public:
    AmbrixSession(soak::User &user, Tally &tally) : user_(user), tally_(tally) {}

    void Round(int round)
    {
        if (!nav_ || nav_->Ended())
            Start();
        ScreenNavigator &nav = *nav_;
        const auto &members = ambrix::CalculatorMembers();
        const ambrix::CalculatorMember &m = members[size_t(round) % members.size()];
        const bool gb = m.standard == tolerance::ColourStandard::GB;
        const QString selection = ambrix::SelectionScreenName(m.standard);

        Move(round, ambrix::kWelcomeScreen, gb ? "GB" : "ANSI", {selection});
        if (!gb && round % 3 == 0) {
            const int cct = round % 2 ? 4500 : 5700;
            user_.PressButton(nav, selection, QStringLiteral("%1K").arg(cct));
            const QStringList messages = user_.TakeMessages();
            tally_.Expect(messages == QStringList{ambrix::NoEllipseMessage(cct)}, round,
                          "no message for " + QString::number(cct) + "K");
            tally_.otherMessages += messages.size();
        }
        Move(round, selection, QStringLiteral("%1K").arg(m.nominalCct), {m.screen});
        Compute(round, m);

        // The reference screens open beside the calculator; every fourth
        // round they stay open until the calculator has gone.
        const bool closeLate = round % 4 == 0;
        for (const char *button : {"Command3", "Command4", "Command5"}) {
            user_.Press(nav, m.screen, button);
            ++tally_.screensOpened;
        }
        tally_.Expect(nav.ShownScreens().size() == 4, round, "reference screens not shown");
        if (!closeLate)
            CloseReferences();
        Move(round, m.screen, QStringLiteral("返 回"), {});
        if (closeLate)
            CloseReferences();

        if (round % 500 == 499) {
            user_.PressButton(nav, selection, QStringLiteral("关 闭"));
            tally_.Expect(nav.Ended() && nav.ShownScreens().isEmpty(), round,
                          "关 闭 did not end ambrix");
        } else {
            Move(round, selection, QStringLiteral("返 回"), {ambrix::kWelcomeScreen});
        }
    }

private:
    void Start()
    {
        StartProgram(nav_, ambrix::RegisterScreens, ambrix::kStartScreen);
        ++tally_.programStarts;
    }

    // Presses a button that leaves the screen and checks where it led; an
    // empty list means "wherever the round has left other screens".
    void Move(int round, const QString &screen, const QString &caption, const QStringList &shown)
    {
        user_.PressButton(*nav_, screen, caption);
        ++tally_.screensOpened;
        tally_.Expect(!nav_->IsShown(screen), round, screen + " still shown after " + caption);
        if (!shown.isEmpty())
            tally_.Expect(nav_->ShownScreens() == shown, round,
                          "shown after " + caption + ": " + nav_->ShownScreens().join(','));
    }

    void CloseReferences()
    {
        for (const ambrix::ReferenceMember &ref : ambrix::ReferenceMembers())
            user_.Press(*nav_, ref.screen, ref.backButton);
    }

    void Compute(int round, const ambrix::CalculatorMember &m)
    {
        ScreenNavigator &nav = *nav_;
        const Point p = PointFor(round, false);
        user_.Type(nav, m.screen, "T1", p.xText);
        user_.Type(nav, m.screen, "T2", p.yText);
        user_.Press(nav, m.screen, "Command1");
        const QStringList messages = user_.TakeMessages();
        CountMessages(tally_, messages);
        const QString result = user_.Text(nav, m.screen, m.labels->result);
        const bool caption = user_.Shown(nav, m.screen, m.labels->caption);
        switch (p.input) {
        case Input::Complete: {
            const tolerance::ToleranceEllipse *e = tolerance::FindEllipse(m.standard, m.nominalCct);
            const QString want = QString::fromStdString(entry_rules::IntegerText(
                tolerance::ComputeTolerance(*e, p.xText.toDouble(), p.yText.toDouble())));
            tally_.Expect(messages.isEmpty() && caption && result == want, round,
                          m.screen + " shows " + result + " for " + p.xText + ", " + p.yText
                              + ", not " + want);
            ++tally_.results;
            break;
        }
        case Input::Missing:
            tally_.Expect(messages == QStringList{kMissing} && caption && result.isEmpty(), round,
                          m.screen + ": missing input not answered");
            break;
        default:
            tally_.Expect(messages.size() == 1 && messages[0] != kMissing && !caption
                              && result.isEmpty(),
                          round, m.screen + ": failure not answered");
            break;
        }
    }

    soak::User &user_;
    Tally &tally_;
    std::unique_ptr<ScreenNavigator> nav_;
};

class CendrelSession {
public:
    CendrelSession(soak::User &user, Tally &tally) : user_(user), tally_(tally) {}

    void Round(int round)
    {
        if (!nav_ || nav_->Ended())
            Start(round);
        ScreenNavigator &nav = *nav_;
        const QString f4 = cendrel::kConverterScreen;

        struct Display {
            QString number;
            bool numberShown, unitShown;
            bool operator==(const Display &) const = default;
        };
        auto display = [&] {
            return Display{user_.Text(nav, f4, "L5"), user_.Shown(nav, f4, "L5"),
                           user_.Shown(nav, f4, "L6")};
        };
        const Display before = display();
        const Point p = PointFor(round, true);
        user_.Type(nav, f4, "T1", p.xText);
        user_.Type(nav, f4, "T2", p.yText);
        user_.Press(nav, f4, "Command1");
        const QStringList messages = user_.TakeMessages();
        CountMessages(tally_, messages);
        const Display after = display();
        switch (p.input) {
        case Input::Complete: {
            const QString want = QString::fromStdString(entry_rules::WholeNumberText(
                cct_estimator::EstimateCct(p.xText.toDouble(), p.yText.toDouble())));
            tally_.Expect(messages.isEmpty() && after == Display{want, true, true}, round,
                          "F4 shows " + after.number + " for " + p.xText + ", " + p.yText
                              + ", not " + want);
            ++tally_.results;
            break;
        }
        case Input::Missing:
            tally_.Expect(messages == QStringList{kMissing} && !after.numberShown
                              && !after.unitShown,
                          round, "F4: missing input not answered");
            break;
        default:
            tally_.Expect(messages.size() == 1 && messages[0] != kMissing && after == before,
                          round, "F4: failure not answered");
            break;
        }

        // The clock ticks at least once between two presses.
        const long ticks = tally_.clockTicks;
        QElapsedTimer waited;
        waited.start();
        while (tally_.clockTicks == ticks && waited.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tally_.Expect(tally_.clockTicks > ticks, round, "the clock does not tick");

        if (round % 1000 == 999) {
            user_.PressButton(nav, f4, QStringLiteral("关  闭"));
            tally_.Expect(nav.Ended() && nav.ShownScreens().isEmpty(), round,
                          "关  闭 did not end cendrel");
        }
    }

private:
    void Start(int round)
    {
        StartProgram(nav_, cendrel::RegisterScreens, cendrel::kStartScreen);
        ++tally_.programStarts;
        user_.Press(*nav_, cendrel::kMenuScreen, "Picture3");
        ++tally_.screensOpened;
        tally_.Expect(nav_->ShownScreens() == QStringList{cendrel::kConverterScreen}, round,
                      "the menu did not lead to the converter");
        // The clock of a long session, a thousand times faster.
        auto *clock = nav_->Window(cendrel::kConverterScreen)->findChild<QTimer *>("Timer1");
        if (!clock)
            throw soak::Lost("the converter has no Timer1");
        clock->setInterval(1);
        QObject::connect(clock, &QTimer::timeout, [this] { ++tally_.clockTicks; });
    }

    soak::User &user_;
    Tally &tally_;
    std::unique_ptr<ScreenNavigator> nav_;
};

// One line of figures: resident memory, the heap the program holds, and the
// windows still alive (deleted ones are gone once the round has settled).
long Checkpoint(int round, const QElapsedTimer &clock)
{
    const long rss = ResidentKiB();
    std::printf("round %6d  VmRSS %7ld kB  heap in use %10s  windows %d  %6.1f s\n", round, rss,
                HeapInUse().constData(), int(QApplication::topLevelWidgets().size()),
                clock.elapsed() / 1000.0);
    std::fflush(stdout);
    return rss;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    framework::PrepareApplication();
    int rounds = 10000;
    QString only;
    bool pixmapCache = true;
    for (const QString &arg : QCoreApplication::arguments().mid(1)) {
        bool number = false;
        const int n = arg.toInt(&number);
        if (number && n > 0) {
            rounds = n;
        } else if (arg == "ambrix" || arg == "cendrel") {
            only = arg;
        } else if (arg == "--no-pixmap-cache") {
            pixmapCache = false;
        } else {
            std::fprintf(stderr,
                         "usage: norvak_soak [rounds] [ambrix|cendrel] [--no-pixmap-cache]\n");
            return 2;
        }
    }
    if (!pixmapCache)
        QPixmapCache::setCacheLimit(0);
    // A checkpoint every thousand rounds; a short run gets ten.
    const int every = rounds >= 10000 ? 1000 : std::max(1, rounds / 10);

    soak::User user;
    Tally tally;
    AmbrixSession ambrix(user, tally);
    CendrelSession cendrel(user, tally);

    std::printf("soak: %d rounds of %s, cendrel's clock every 1 ms%s\n", rounds,
                only.isEmpty() ? "ambrix and cendrel" : qPrintable(only),
                pixmapCache ? "" : ", Qt's pixmap cache off");
    QElapsedTimer clock;
    clock.start();
    const long start = Checkpoint(0, clock);

    long baseline = -1;
    int baselineRound = 0;
    int done = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            if (only != "cendrel")
                ambrix.Round(round);
            if (only != "ambrix")
                cendrel.Round(round);
            Settle();
            done = round + 1;
            if (done % every == 0) {
                const long rss = Checkpoint(done, clock);
                if (baseline < 0) {
                    baseline = rss;
                    baselineRound = done;
                }
            }
        }
    } catch (const soak::Lost &lost) {
        ++tally.mismatches;
        std::fprintf(stderr, "round %d: %s; the soak stops here\n", done, lost.what());
    }
    Settle();
    const long end = done % every != 0 ? Checkpoint(done, clock) : ResidentKiB();

    std::printf("ambrix and cendrel: %ld results, %ld missing-input messages, %ld failure "
                "messages, %ld other messages, %ld screens opened, %ld program starts\n",
                tally.results, tally.missing, tally.failures, tally.otherMessages,
                tally.screensOpened, tally.programStarts);
    std::printf("cendrel's clock: %ld ticks\n", tally.clockTicks);
    std::printf("checks: %ld, mismatches: %ld\n", tally.checks, tally.mismatches);
    if (baseline > 0 && done > baselineRound) {
        const double growth = 100.0 * double(end - baseline) / double(baseline);
        std::printf("growth from round %d to round %d: %+.2f %% (%ld -> %ld kB; goal under 5 %%)\n",
                    baselineRound, done, growth, baseline, end);
    } else {
        std::printf("growth: no second checkpoint to compare with\n");
    }
    std::printf("VmRSS start %ld kB, end %ld kB, %.1f s\n", start, end, clock.elapsed() / 1000.0);
    return tally.mismatches == 0 ? 0 : 1;
}

// The rules by which screens open, move, close and end a program, on small
// screens built from descriptions.

#include "program.h"
#include "screen_driver.h"
#include "window_services.h"

#include "failures.h"

#include <QSignalSpy>
#include <QtTest>

using namespace framework;
using namespace testing_support;

namespace {

ScreenDefinition TestScreen(const QString &name, std::map<QString, Handler> handlers)
{
    ScreenDefinition def;
    def.description.name = name;
    def.description.caption = name;
    def.description.clientWidth = 3000;
    def.description.clientHeight = 2000;
    def.description.controls = {
        TextEntry("T1", {120, 120, 1500, 375}, std::nullopt, 0),
        Label("Label1", -1, {120, 600, 1500, 375}, "fresh", std::nullopt, std::nullopt, 1),
    };
    for (int i = 1; i <= 6; ++i)
        def.description.controls.push_back(
            Button(QStringLiteral("Command%1").arg(i), {120 + 300 * i, 1200, 300, 375},
                   QString::number(i), std::nullopt, 1 + i));
    def.handlers = std::move(handlers);
    return def;
}

} // namespace

class NavigatorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScreenNavigator> nav_;
    int ends_ = 0;
    QStringList log_;

private slots:
    void initTestCase() { PrepareApplication(); }

    void init()
    {
        ends_ = 0;
        log_.clear();
        nav_ = std::make_unique<ScreenNavigator>();
        nav_->SetEndAction([this] { ++ends_; });
        auto &nav = *nav_;
        nav.Register("A", [this] {
            return TestScreen("A", {
                {"Command1", [](ScreenContext &c) { c.GoToScreen("B"); }},
                {"Command2", [](ScreenContext &c) { c.ShowScreen("C"); }},
                {"Command3", [](ScreenContext &c) { c.EndProgram(); }},
                {"Command4", [this](ScreenContext &c) {
                     c.UnloadScreen();
                     // The screen's objects outlive its own handler.
                     log_ << c.Caption("Label1") << c.ReadText("T1");
                 }},
                {"Command5", [](ScreenContext &c) {
                     c.SetCaption("Label1", "changed");
                 }},
                {"Command6", [](ScreenContext &c) {
                     const QString text = c.ReadText("T1");
                     throw entry_rules::NotANumber(text.toStdString());
                 }},
            });
        });
        nav.Register("B", [] {
            return TestScreen("B", {{"Command1", [](ScreenContext &c) { c.GoToScreen("A"); }},
                                    {"Command2", [](ScreenContext &c) { c.ShowScreen("C"); }},
                                    {"Command3", [](ScreenContext &c) { c.EndProgram(); }}});
        });
        nav.Register("C", [] {
            return TestScreen("C", {{"Command1", [](ScreenContext &c) { c.UnloadScreen(); }}});
        });
        nav.Register("Clock", [] {
            auto def = TestScreen("Clock", {{"Timer1", [](ScreenContext &c) {
                                                 c.SetCaption("Label1",
                                                              QString::number(c.Caption("Label1").toInt() + 1));
                                             }}});
            def.description.controls[1].caption = "0";
            def.description.controls.push_back(Timer("Timer1", 10));
            return def;
        });
    }

    void cleanup()
    {
        nav_.reset();
        Settle();
    }

    void showScreenKeepsOneInstanceAndActivatesIt()
    {
        nav_->ShowScreen("A");
        Click(*nav_, "A", "Command2");
        ScreenWindow *c = nav_->Window("C");
        QVERIFY(c && c->isVisible());
        Type(*nav_, "C", "T1", "kept");
        Click(*nav_, "A", "Command2");
        QCOMPARE(nav_->Window("C"), c);
        QCOMPARE(Text(*nav_, "C", "T1"), QStringLiteral("kept"));
        QCOMPARE(nav_->ShownScreens(), QStringList({"A", "C"}));
        // A minimized screen comes back when it is opened again.
        c->showMinimized();
        nav_->ShowScreen("C");
        QVERIFY(!c->isMinimized());
    }

    void goToShowsTheTargetBeforeUnloadingTheSource()
    {
        nav_->ShowScreen("A");
        QStringList shownWhenBAppeared;
        connect(nav_.get(), &ScreenNavigator::screenShown, this, [&](const QString &s) {
            if (s == "B")
                shownWhenBAppeared = nav_->ShownScreens();
        });
        Click(*nav_, "A", "Command1");
        QCOMPARE(shownWhenBAppeared, QStringList({"A", "B"}));
        QCOMPARE(nav_->ShownScreens(), QStringList({"B"}));
        QCOMPARE(ends_, 0);
    }

    void reopenedScreenIsFresh()
    {
        nav_->ShowScreen("A");
        Type(*nav_, "A", "T1", "0.35");
        Click(*nav_, "A", "Command5");
        QCOMPARE(Text(*nav_, "A", "Label1"), QStringLiteral("changed"));
        Click(*nav_, "A", "Command1");
        Click(*nav_, "B", "Command1");
        QCOMPARE(Text(*nav_, "A", "T1"), QString());
        QCOMPARE(Text(*nav_, "A", "Label1"), QStringLiteral("fresh"));
    }

    void closingTheLastScreenEndsTheProgram()
    {
        nav_->ShowScreen("A");
        Click(*nav_, "A", "Command2");
        nav_->Window("A")->close();
        QCOMPARE(ends_, 0);
        QCOMPARE(nav_->ShownScreens(), QStringList({"C"}));
        nav_->Window("C")->close();
        QCOMPARE(ends_, 1);
        QVERIFY(nav_->Ended());
    }

    void endProgramClosesEverythingAtOnce()
    {
        nav_->ShowScreen("A");
        Click(*nav_, "A", "Command2");
        QPointer<ScreenWindow> a = nav_->Window("A"), c = nav_->Window("C");
        Click(*nav_, "A", "Command3");
        QCOMPARE(ends_, 1);
        QVERIFY(nav_->ShownScreens().isEmpty());
        QVERIFY(!a->isVisible() && !c->isVisible());
        // No handler runs any more once the program has ended.
        a->Dispatch("Command5");
        QCOMPARE(a->findChild<QLabel *>("Label1")->text(), QStringLiteral("fresh"));
        Settle();
        QVERIFY(a.isNull() && c.isNull());
    }

    void unloadFromItsOwnHandlerIsSafe()
    {
        nav_->ShowScreen("A");
        nav_->ShowScreen("B");
        Type(*nav_, "A", "T1", "typed");
        QPointer<ScreenWindow> a = nav_->Window("A");
        Click(*nav_, "A", "Command4");
        QCOMPARE(log_, QStringList({"fresh", "typed"}));
        QVERIFY(!nav_->IsShown("A"));
        QCOMPARE(ends_, 0);
        Settle();
        QVERIFY(a.isNull());
    }

    void timerTicksOnlyWhileTheScreenIsShown()
    {
        nav_->ShowScreen("Clock");
        nav_->ShowScreen("A");
        QTRY_VERIFY(Text(*nav_, "Clock", "Label1").toInt() >= 3);
        QPointer<ScreenWindow> clock = nav_->Window("Clock");
        auto *timer = clock->findChild<QTimer *>("Timer1");
        QVERIFY(timer->isActive());
        nav_->UnloadScreen("Clock");
        QVERIFY(!timer->isActive());
    }

    void failureIsShownAndTheProgramGoesOn()
    {
        nav_->ShowScreen("A");
        Type(*nav_, "A", "T1", "abc");
        Click(*nav_, "A", "Command5");
        MessageCatcher catcher;
        Click(*nav_, "A", "Command6");
        QCOMPARE(catcher.messages.size(), 1);
        const CaughtMessage &m = catcher.messages.first();
        QCOMPARE(m.title, QStringLiteral("出错"));
        QVERIFY2(m.text.contains("abc"), qPrintable(m.text));
        QCOMPARE(m.icon, QMessageBox::Information);
        QVERIFY(m.hasOk && m.buttonCount == 1);
        QCOMPARE(Text(*nav_, "A", "T1"), QStringLiteral("abc"));
        QCOMPARE(Text(*nav_, "A", "Label1"), QStringLiteral("changed"));
        QCOMPARE(ends_, 0);
        // The screen still works afterwards.
        Click(*nav_, "A", "Command2");
        QVERIFY(nav_->IsShown("C"));
    }

    void messageBoxIsModalWithOneOkButton()
    {
        MessageCatcher catcher;
        ShowMessage(QStringLiteral("请输入色坐标x,y值后再计算"), QStringLiteral("出错"), 64);
        QCOMPARE(catcher.messages.size(), 1);
        QCOMPARE(catcher.messages[0].text, QStringLiteral("请输入色坐标x,y值后再计算"));
        QCOMPARE(catcher.messages[0].buttonCount, 1);
        QCOMPARE(catcher.messages[0].okText, QStringLiteral("确定"));
    }

    // A program opens its windows where there is a desktop: on Linux an X
    // or Wayland display (or a Qt platform named), on Windows always.
    void displayAsThePlatformHasIt()
    {
        const QByteArray names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
        std::vector<std::pair<QByteArray, QByteArray>> kept;
        for (const QByteArray &name : names) {
            if (qEnvironmentVariableIsSet(name.constData()))
                kept.emplace_back(name, qgetenv(name.constData()));
            qunsetenv(name.constData());
        }
#ifdef _WIN32
        const bool none = true;
#else
        const bool none = false;
#endif
        const bool withNone = HasDisplay();
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        const bool withWayland = HasDisplay();
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("DISPLAY", "");
        const bool withEmpty = HasDisplay();
        qunsetenv("DISPLAY");
        for (const auto &[name, value] : kept)
            qputenv(name.constData(), value);
        QCOMPARE(withNone, none);
        QCOMPARE(withWayland, true);
        QCOMPARE(withEmpty, none);
    }
};

QTEST_MAIN(NavigatorTest)
#include "test_navigator.moc"

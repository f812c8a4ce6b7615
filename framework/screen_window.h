#pragma once
// A screen's window, built from its description, and the handle through
// which the screen's handlers act on it.

#include "screen_description.h"

#include <QColor>
#include <QKeySequence>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class QTimer;

namespace framework {

class ScreenNavigator;
class ScreenWindow;

// What a click or tick handler can do: read and change its own screen's
// controls by name, show a message, and move between screens.
class ScreenContext {
public:
    ScreenContext(ScreenWindow &window, ScreenNavigator &navigator)
        : window_(window), navigator_(navigator) {}

    QString ReadText(const QString &control) const;
    QString Caption(const QString &control) const;
    void SetCaption(const QString &control, const QString &text);
    void SetVisible(const QString &control, bool visible);
    void ShowMessage(const QString &text, const QString &title, int buttons);

    // The moves between screens. UnloadScreen, GoToScreen and EndProgram
    // are always a handler's last step.
    void ShowScreen(const QString &screen);
    void GoToScreen(const QString &target);
    void UnloadScreen();
    void EndProgram();

    const QString &ScreenName() const;

    // The text a tooltip shows for the control; a screen reader reads it as
    // the control's description. Nothing on the screen moves.
    void SetToolTip(const QString &control, const QString &text);
    // The screen's window, to parent windows of their own that belong to
    // the screen (they go when it is unloaded).
    QWidget &Window();

private:
    ScreenWindow &window_;
    ScreenNavigator &navigator_;
};

using Handler = std::function<void(ScreenContext &)>;
using FileHandler = std::function<void(ScreenContext &, const QStringList &paths)>;

// What a screen offers beyond its description: an entry of the window's
// context menu, with a keyboard shortcut if it has one. It places nothing
// on the screen.
struct ScreenAction {
    QString text;          // "复制结果"
    QKeySequence shortcut; // may be empty
    Handler handler;
};

// A screen: its fixed description and its handlers by control key
// ("Command1", "Picture3", "Timer1"), and what it offers beyond them.
struct ScreenDefinition {
    ScreenDescription description;
    std::map<QString, Handler> handlers;
    std::vector<ScreenAction> actions;
    // A local file dropped anywhere on the window; none: drops are refused.
    FileHandler fileDropped;
};

class ScreenWindow : public QWidget {
    Q_OBJECT
public:
    ScreenWindow(ScreenDefinition definition, ScreenNavigator &navigator);
    ~ScreenWindow() override;

    const QString &Name() const { return definition_.description.name; }
    const ScreenDescription &Description() const { return definition_.description; }
    QWidget *Control(const QString &key) const;
    // The colour the window's background is painted in, if it has one.
    std::optional<QColor> BackColour() const { return backColour_; }

    // Delivers a click or a tick to the control's handler. A failure of the
    // handler is shown to the user and the program goes on.
    void Dispatch(const QString &key);
    // Runs a handler the same way: a failure is shown and the program goes on.
    void Run(const Handler &handler);

    // Stops the screen's timers and takes the window off the screen; the
    // object itself goes at the next turn of the event loop.
    void Retire();
    bool Retired() const { return retired_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Build();
    void BuildActions();
    bool HandleDrop(QEvent *event);
    QWidget *BuildControl(const ControlDescription &control);

    ScreenDefinition definition_;
    ScreenNavigator &navigator_;
    std::map<QString, QWidget *> controls_;
    std::vector<QTimer *> timers_;
    QPixmap *windowPicture_ = nullptr;
    std::optional<QColor> backColour_;
    bool retired_ = false;
};

} // namespace framework

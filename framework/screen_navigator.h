#pragma once
// The screens of one program and the four moves between them. A screen is
// absent or shown, at most once; it is built fresh from its description at
// each opening. The navigator, not Qt's last-window rule, ends the program.

#include "screen_window.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

namespace framework {

class ScreenNavigator : public QObject {
    Q_OBJECT
public:
    using Builder = std::function<ScreenDefinition()>;

    explicit ScreenNavigator(QObject *parent = nullptr);
    ~ScreenNavigator() override;

    void Register(const QString &screen, Builder builder);

    // Opens a screen beside the others, or brings the shown one to the front.
    void ShowScreen(const QString &screen);
    // Shows the target first, then unloads the source.
    void GoToScreen(const QString &from, const QString &to);
    // Closes and discards the screen; the program ends when none is left.
    void UnloadScreen(const QString &screen);
    // Closes every screen at once and ends the program.
    void EndProgram();

    bool IsShown(const QString &screen) const;
    ScreenWindow *Window(const QString &screen) const;
    QStringList ShownScreens() const;
    bool Ended() const { return ended_; }

    // What ending the program does; by default it leaves the event loop.
    void SetEndAction(std::function<void()> action) { endAction_ = std::move(action); }

signals:
    void screenShown(const QString &screen);
    void programEnded();

private:
    void Retire(QPointer<ScreenWindow> window);
    void End();

    std::map<QString, Builder> builders_;
    std::map<QString, QPointer<ScreenWindow>> slots_;
    std::vector<QPointer<ScreenWindow>> retired_;
    std::function<void()> endAction_;
    bool ended_ = false;
};

} // namespace framework

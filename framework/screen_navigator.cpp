#include "screen_navigator.h"

#include <QCoreApplication>
#include <stdexcept>

namespace framework {

ScreenNavigator::ScreenNavigator(QObject *parent)
    : QObject(parent), endAction_([] { QCoreApplication::exit(0); })
{
}

ScreenNavigator::~ScreenNavigator()
{
    for (auto &[name, window] : slots_)
        delete window.data();
    for (auto &window : retired_)
        delete window.data();
}

void ScreenNavigator::Register(const QString &screen, Builder builder)
{
    builders_[screen] = std::move(builder);
}

void ScreenNavigator::ShowScreen(const QString &screen)
{
    if (ended_)
        return;
    if (ScreenWindow *window = Window(screen)) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
        return;
    }
    auto builder = builders_.find(screen);
    if (builder == builders_.end())
        throw std::logic_error("no screen named " + screen.toStdString());
    auto *window = new ScreenWindow(builder->second(), *this);
    slots_[screen] = window;
    window->show();
    window->raise();
    window->activateWindow();
    emit screenShown(screen);
}

void ScreenNavigator::GoToScreen(const QString &from, const QString &to)
{
    ShowScreen(to);
    UnloadScreen(from);
}

void ScreenNavigator::UnloadScreen(const QString &screen)
{
    auto slot = slots_.find(screen);
    if (slot == slots_.end())
        return;
    QPointer<ScreenWindow> window = slot->second;
    slots_.erase(slot);
    Retire(window);
    if (slots_.empty())
        End();
}

void ScreenNavigator::EndProgram()
{
    auto shown = std::move(slots_);
    slots_.clear();
    for (auto &[name, window] : shown)
        Retire(window);
    End();
}

void ScreenNavigator::Retire(QPointer<ScreenWindow> window)
{
    if (!window)
        return;
    // Windows already deleted leave empty pointers behind; drop them so a
    // long session does not collect them.
    std::erase_if(retired_, [](const QPointer<ScreenWindow> &w) { return w.isNull(); });
    retired_.push_back(window);
    window->Retire();
}

void ScreenNavigator::End()
{
    if (ended_)
        return;
    ended_ = true;
    emit programEnded();
    if (endAction_)
        endAction_();
}

bool ScreenNavigator::IsShown(const QString &screen) const
{
    return Window(screen) != nullptr;
}

ScreenWindow *ScreenNavigator::Window(const QString &screen) const
{
    auto slot = slots_.find(screen);
    return slot == slots_.end() ? nullptr : slot->second.data();
}

QStringList ScreenNavigator::ShownScreens() const
{
    QStringList names;
    for (const auto &[name, window] : slots_)
        if (window)
            names << name;
    return names;
}

} // namespace framework

#pragma once
// The user of a long session: presses the real buttons and picture boxes,
// types into the entries key by key, reads labels, and answers every message
// box with OK at once, keeping what it said.

#include "screen_navigator.h"

#include <QObject>
#include <QStringList>
#include <stdexcept>

namespace soak {

// A screen or control the session expected and did not find.
class Lost : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class User : public QObject {
public:
    User();
    ~User() override;

    // A left click in the middle of the control, by its key.
    void Press(framework::ScreenNavigator &nav, const QString &screen, const QString &key);
    // A left click on the button that reads as the caption.
    void PressButton(framework::ScreenNavigator &nav, const QString &screen,
                     const QString &caption);
    // Replaces the entry's text, key by key.
    void Type(framework::ScreenNavigator &nav, const QString &screen, const QString &key,
              const QString &text);
    QString Text(framework::ScreenNavigator &nav, const QString &screen, const QString &key);
    bool Shown(framework::ScreenNavigator &nav, const QString &screen, const QString &key);

    // The texts of the message boxes answered since the last call.
    QStringList TakeMessages();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList messages_;
};

} // namespace soak

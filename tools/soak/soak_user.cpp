#include "soak_user.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

namespace soak {

namespace {

QWidget *ControlOf(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    framework::ScreenWindow *window = nav.Window(screen);
    if (!window)
        throw Lost(("screen " + screen + " is not shown").toStdString());
    QWidget *control = window->Control(key);
    if (!control)
        throw Lost(("no control " + screen + "." + key).toStdString());
    return control;
}

} // namespace

User::User() { qApp->installEventFilter(this); }

User::~User() { qApp->removeEventFilter(this); }

void User::Press(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *control = ControlOf(nav, screen, key);
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
}

void User::PressButton(framework::ScreenNavigator &nav, const QString &screen,
                       const QString &caption)
{
    framework::ScreenWindow *window = nav.Window(screen);
    if (!window)
        throw Lost(("screen " + screen + " is not shown").toStdString());
    for (auto *button : window->findChildren<QAbstractButton *>()) {
        if (button->text() == caption) {
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            return;
        }
    }
    throw Lost(("no button " + caption + " on " + screen).toStdString());
}

void User::Type(framework::ScreenNavigator &nav, const QString &screen, const QString &key,
                const QString &text)
{
    auto *entry = qobject_cast<QLineEdit *>(ControlOf(nav, screen, key));
    if (!entry)
        throw Lost((screen + "." + key + " is no entry").toStdString());
    entry->selectAll();
    QTest::keyClick(entry, Qt::Key_Delete);
    QTest::keyClicks(entry, text);
}

QString User::Text(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *control = ControlOf(nav, screen, key);
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (auto *entry = qobject_cast<QLineEdit *>(control))
        return entry->text();
    return {};
}

bool User::Shown(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *control = ControlOf(nav, screen, key);
    return control->isVisibleTo(control->window());
}

QStringList User::TakeMessages() { return std::exchange(messages_, {}); }

bool User::eventFilter(QObject *watched, QEvent *event)
{
    // The box is shown by its exec(); the OK click waits in the queue for
    // the box's own event loop.
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            messages_ << box->text();
            QMetaObject::invokeMethod(
                box,
                [box] {
                    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                        ok->click();
                    else
                        box->reject();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace soak

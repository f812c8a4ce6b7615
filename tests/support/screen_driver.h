#pragma once
// Drives screens through their real widgets, as a user would: type into
// entries, click buttons and pictures, read labels, answer message boxes.

#include "screen_navigator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace testing_support {

struct CaughtMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool hasOk = false;
    QString okText;
    QString screen; // what the screen showed while the box was open
};

namespace detail {
inline int catchersAlive = 0;
} // namespace detail

// A modal window that nobody answers would block the test for good. The
// watchdog closes it and fails the test instead: at once when no
// MessageCatcher lives (no message was expected), after five seconds when one
// does (it answers every message box within milliseconds).
inline void ArmWatchdog()
{
    static QPointer<QTimer> timer;
    if (timer)
        return;
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [] {
        static QPointer<QWidget> seen;
        static QElapsedTimer openFor;
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != seen) {
            seen = modal;
            openFor.start();
        }
        if (!modal || (detail::catchersAlive > 0 && openFor.elapsed() < 5000))
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        QTest::qFail(qPrintable(QStringLiteral("nobody answered the modal window \"%1\"%2%3")
                                    .arg(modal->windowTitle(), box ? ": " + box->text() : QString(),
                                         detail::catchersAlive ? " within 5 s"
                                                               : " (no message was expected)")),
                     __FILE__, __LINE__);
        seen = nullptr;
        if (QAbstractButton *ok = box ? box->button(QMessageBox::Ok) : nullptr)
            ok->click();
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer->start();
}

// While it lives, every modal message box that opens is recorded and
// answered with OK, so a handler waiting on one goes on. describeScreen, if
// given, records what the screen shows while the box is open.
class MessageCatcher {
public:
    explicit MessageCatcher(std::function<QString()> describeScreen = {})
        : describeScreen_(std::move(describeScreen))
    {
        ArmWatchdog();
        ++detail::catchersAlive;
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }
    ~MessageCatcher() { --detail::catchersAlive; }
    MessageCatcher(const MessageCatcher &) = delete;
    MessageCatcher &operator=(const MessageCatcher &) = delete;
    QList<CaughtMessage> messages;

private:
    void Answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        CaughtMessage m;
        m.title = box->windowTitle();
        m.text = box->text();
        m.icon = box->icon();
        m.buttonCount = int(box->buttons().size());
        m.hasOk = box->button(QMessageBox::Ok) != nullptr;
        if (m.hasOk)
            m.okText = box->button(QMessageBox::Ok)->text();
        if (describeScreen_)
            m.screen = describeScreen_();
        messages << m;
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }
    std::function<QString()> describeScreen_;
    QTimer timer_;
};

template <typename W = QWidget>
W *ControlOf(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    framework::ScreenWindow *window = nav.Window(screen);
    if (!window)
        return nullptr;
    return qobject_cast<W *>(window->Control(key));
}

// Replaces the entry's text by typing it, key by key.
inline void Type(framework::ScreenNavigator &nav, const QString &screen, const QString &key,
                 const QString &text)
{
    auto *entry = ControlOf<QLineEdit>(nav, screen, key);
    QVERIFY2(entry, qPrintable(screen + "." + key + " is no entry"));
    entry->selectAll();
    QTest::keyClick(entry, Qt::Key_Delete);
    QTest::keyClicks(entry, text);
}

// A left click in the middle of the control (buttons, picture boxes).
inline void Click(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *w = ControlOf(nav, screen, key);
    QVERIFY2(w, qPrintable(screen + "." + key + " does not exist"));
    ArmWatchdog();
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

inline QString Text(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *w = ControlOf(nav, screen, key);
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *entry = qobject_cast<QLineEdit *>(w))
        return entry->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    return {};
}

// Every push button of a window, by name, with its caption as drawn.
inline QMap<QString, QString> ButtonCaptions(QWidget *window)
{
    QMap<QString, QString> captions;
    if (window)
        for (QPushButton *button : window->findChildren<QPushButton *>())
            captions.insert(button->objectName(), button->text());
    return captions;
}

inline bool Shown(framework::ScreenNavigator &nav, const QString &screen, const QString &key)
{
    QWidget *w = ControlOf(nav, screen, key);
    return w && w->isVisibleTo(w->window());
}

// The focus chain of a window from its first focused control, as Tab runs it.
inline QStringList FocusChain(framework::ScreenWindow *window, int steps)
{
    auto takesTab = [window](QWidget *w) {
        return w != window && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus
               && w->isVisibleTo(window) && w->isEnabled();
    };
    QStringList chain;
    QWidget *w = window->focusWidget();
    for (int i = 0; w && i < steps; ++i) {
        chain << w->objectName();
        QWidget *next = w->nextInFocusChain();
        while (next != w && !takesTab(next))
            next = next->nextInFocusChain();
        w = next;
    }
    return chain;
}

// The colour a window shows at a point of its client area, as painted.
inline QColor PaintedAt(QWidget *window, QPoint point)
{
    return window->grab().toImage().pixelColor(point);
}

// Lets deleteLater and queued events run.
inline void Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace testing_support

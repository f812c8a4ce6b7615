#pragma once
// Drives screens through their real widgets, as a user would: type into
// entries, click buttons and pictures, read labels, answer message boxes.

#include "screen_navigator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace testing_support {

struct CaughtMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool hasOk = false;
    QString okText;
};

// While it lives, every modal message box that opens is recorded and
// answered with OK, so a handler waiting on one goes on.
class MessageCatcher {
public:
    MessageCatcher()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }
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
        messages << m;
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }
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

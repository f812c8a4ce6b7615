#pragma once
// The tooltip of a picture widget: the text of what is under the pointer,
// shown where the help event asks, or hidden over nothing.

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace diagram {

// For a widget's event() on QEvent::ToolTip; returns true (handled).
inline bool ShowHoverTip(QWidget *widget, QEvent *e, const QString &text)
{
    auto *help = static_cast<QHelpEvent *>(e);
    if (text.isEmpty()) {
        QToolTip::hideText();
        e->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, widget);
    }
    return true;
}

} // namespace diagram

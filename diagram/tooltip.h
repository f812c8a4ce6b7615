#pragma once
// Tooltips that depend on where the mouse is: the text for the pixel, and
// none over nothing.

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace diagram {

// Answers a widget's tooltip event with textAt(position); true when the
// event was one. Call first from the widget's event().
template <typename TextAt>
bool AnswerToolTip(QWidget *widget, QEvent *e, TextAt textAt)
{
    if (e->type() != QEvent::ToolTip)
        return false;
    auto *help = static_cast<QHelpEvent *>(e);
    const QString text = textAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        e->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, widget);
    }
    return true;
}

} // namespace diagram

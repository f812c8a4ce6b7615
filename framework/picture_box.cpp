#include "picture_box.h"

#include <QMouseEvent>

namespace framework {

PictureWidget::PictureWidget(const QString &picture, bool takesClicks, QWidget *parent)
    : QLabel(parent), takesClicks_(takesClicks)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    setScaledContents(false);
    if (!picture.isEmpty())
        setPixmap(QPixmap(picture));
    setFocusPolicy(takesClicks ? Qt::StrongFocus : Qt::NoFocus);
}

void PictureWidget::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button over the picture.
    if (takesClicks_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace framework

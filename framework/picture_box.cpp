#include "picture_box.h"

#include <QMouseEvent>
#include <QPainter>

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

void PictureWidget::paintEvent(QPaintEvent *)
{
    // At its own size from the top-left corner, cut off at the edge; on a
    // high-dpi screen the picture is scaled smoothly with everything else.
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(0, 0, pixmap());
}

} // namespace framework

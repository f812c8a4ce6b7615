#include "vector_graphic_widget.h"

#include "tooltip.h"

#include <QPainter>

namespace diagram {

namespace {

QString PictureName(Tm30Picture picture)
{
    switch (picture) {
    case Tm30Picture::VectorGraphic:
        return QStringLiteral("色矢量图");
    case Tm30Picture::Fidelity:
        return QStringLiteral("局部保真度 Rf,hj");
    case Tm30Picture::ChromaShift:
        break;
    }
    return QStringLiteral("局部色度偏移 Rcs,hj");
}

} // namespace

Tm30Widget::Tm30Widget(Tm30Picture picture, QWidget *parent) : QWidget(parent), picture_(picture)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(PictureName(picture));
    SetResult({});
}

void Tm30Widget::SetResult(const colorimetry::Tm30Result &result)
{
    result_ = result;
    // Before the first paint, hovering already finds the bins.
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    painted_ = PaintTm30(painter, result_, picture_, size());
    setAccessibleDescription(Tm30Summary(result_));
    update();
}

int Tm30Widget::BinAt(QPointF pos) const
{
    for (std::size_t j = 0; j < painted_.bins.size(); ++j)
        if (painted_.bins[j].contains(pos))
            return int(j);
    return -1;
}

QString Tm30Widget::ToolTipAt(QPointF pos) const
{
    const int bin = BinAt(pos);
    return bin < 0 ? QString() : HueBinReadout(result_, std::size_t(bin));
}

bool Tm30Widget::event(QEvent *e)
{
    if (AnswerToolTip(this, e, [this](QPointF pos) { return ToolTipAt(pos); }))
        return true;
    return QWidget::event(e);
}

void Tm30Widget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painted_ = PaintTm30(painter, result_, picture_, size());
}

} // namespace diagram

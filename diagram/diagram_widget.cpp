#include "diagram_widget.h"

#include "readout.h"
#include "tooltip.h"

#include <QKeyEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>

#include <cmath>

namespace diagram {

namespace {

constexpr double kReach = 5; // pixels from a curve or dot that still count as over it
constexpr double kClickSlop = 4; // pixels a click may move and stay a click, not a pan

double DistanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + ab * t);
    return std::hypot(d.x(), d.y());
}

double DistanceToPath(QPointF p, const QPainterPath &path)
{
    if (!path.controlPointRect().adjusted(-kReach, -kReach, kReach, kReach).contains(p))
        return INFINITY;
    double least = INFINITY;
    for (int i = 1; i < path.elementCount(); ++i) {
        if (path.elementAt(i).isLineTo())
            least = std::min(least, DistanceToSegment(p, path.elementAt(i - 1), path.elementAt(i)));
    }
    return least;
}

QString CurveName(const PaintedCurve &c)
{
    return c.standard ? QStringLiteral("标准 SDCM %1 步椭圆（虚线）").arg(c.steps)
                      : QStringLiteral("本程序色容差 %1 步与 %2 步之界（实线）").arg(c.steps).arg(c.steps + 1);
}

} // namespace

DiagramWidget::DiagramWidget(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("色品图"));
}

void DiagramWidget::SetScene(Scene scene)
{
    scene_ = std::move(scene);
    scene_.ansiQuadrangles = showAnsi_;
    if (!userMoved_)
        view_ = FitView(HomeExtent(scene_), LayoutFor(size()).plot);
    UpdateDescription();
    update();
}

void DiagramWidget::SetBins(SceneBins bins)
{
    diagram::SetBins(scene_, std::move(bins));
    update();
}

void DiagramWidget::SetAnsiQuadranglesShown(bool shown)
{
    showAnsi_ = shown;
    scene_.ansiQuadrangles = shown;
    update();
}

QString DiagramWidget::BinText(Xy p) const
{
    if (scene_.bins.empty())
        return {};
    const int i = scene_.bins.set->Find(p);
    if (i == colorimetry::kNoBin)
        return QStringLiteral("不在任何分档内");
    QString text = QStringLiteral("分档“%1”").arg(QString::fromStdString((*scene_.bins.set)[std::size_t(i)].name));
    if (!scene_.bins.counts.empty())
        text += QStringLiteral("：%1 点").arg(scene_.bins.counts[std::size_t(i)]);
    return text;
}

void DiagramWidget::ResetView()
{
    userMoved_ = false;
    view_ = FitView(HomeExtent(scene_), LayoutFor(size()).plot);
    update();
}

void DiagramWidget::SetView(const ViewState &view)
{
    userMoved_ = true;
    view_ = view;
    view_.scale = ClampScale(view.scale, LayoutFor(size()).plot);
    // Never so far off that the diagram is lost.
    view_.middle = {std::clamp(view.middle.x, -0.2, 1.0), std::clamp(view.middle.y, -0.2, 1.0)};
    update();
}

ViewTransform DiagramWidget::Transform() const
{
    return ViewTransform(view_, LayoutFor(size()).plot);
}

QString DiagramWidget::ToolTipAt(QPointF pos) const
{
    const ViewTransform t = Transform();
    if (!t.plot().contains(pos))
        return {};
    QStringList lines;
    Xy at = t.ToXy(pos);
    if (painted_.pointDot && std::hypot(pos.x() - painted_.pointDot->x(), pos.y() - painted_.pointDot->y()) <= kReach + 2) {
        lines << QStringLiteral("计算点");
        at = *scene_.point;
    } else if (const int row = scene_.isBatch ? BatchRowAt(pos) : -1; row >= 0) {
        const BatchPoint &b = scene_.batch[std::size_t(row)];
        lines << (b.line > 0 ? QStringLiteral("文件第 %1 行").arg(b.line)
                             : QStringLiteral("第 %1 行").arg(row + 1));
        at = {b.x, b.y};
    }
    if (lines.isEmpty()) {
        const PaintedCurve *nearest = nullptr;
        double least = kReach;
        for (const PaintedCurve &c : painted_.curves) {
            const double d = DistanceToPath(pos, c.path);
            if (d <= least) {
                least = d;
                nearest = &c;
            }
        }
        if (nearest)
            lines << CurveName(*nearest);
        else if (scene_.bins.empty() || scene_.bins.set->Find(at) == colorimetry::kNoBin)
            return {};
    }
    if (const QString bin = BinText(at); !bin.isEmpty())
        lines << bin;
    lines << Readout(scene_.row, at);
    return lines.join('\n');
}

void DiagramWidget::SetSelection(std::span<const int> rows)
{
    SelectRows(scene_, rows);
    update();
}

int DiagramWidget::BatchRowAt(QPointF pos) const
{
    const ViewTransform t = Transform();
    if (!t.plot().contains(pos))
        return -1;
    int nearest = -1;
    double least = kReach;
    for (int i = 0; i < int(scene_.batch.size()); ++i) {
        const QPointF q = t.ToPixel({scene_.batch[std::size_t(i)].x, scene_.batch[std::size_t(i)].y});
        const double d = std::hypot(q.x() - pos.x(), q.y() - pos.y());
        if (d <= least) {
            least = d;
            nearest = i;
        }
    }
    return nearest;
}

QList<int> DiagramWidget::BatchRowsIn(const QRectF &area) const
{
    const ViewTransform t = Transform();
    const QRectF inside = area.normalized() & t.plot();
    QList<int> rows;
    if (inside.isEmpty())
        return rows;
    for (int i = 0; i < int(scene_.batch.size()); ++i) {
        const BatchPoint &b = scene_.batch[std::size_t(i)];
        if (std::isfinite(b.x) && std::isfinite(b.y) && inside.contains(t.ToPixel({b.x, b.y})))
            rows << i;
    }
    return rows;
}

void DiagramWidget::UpdateDescription()
{
    QString text = scene_.title;
    if (scene_.point)
        text += QStringLiteral("；计算点 ") + Readout(scene_.row, *scene_.point).join(QStringLiteral("，"));
    setAccessibleDescription(text);
}

bool DiagramWidget::event(QEvent *e)
{
    if (AnswerToolTip(this, e, [this](QPointF pos) { return ToolTipAt(pos); }))
        return true;
    return QWidget::event(e);
}

void DiagramWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painted_ = PaintDiagram(painter, scene_, view_, size());
}

void DiagramWidget::resizeEvent(QResizeEvent *)
{
    if (!userMoved_)
        view_ = FitView(HomeExtent(scene_), LayoutFor(size()).plot);
}

void DiagramWidget::wheelEvent(QWheelEvent *e)
{
    const double notches = e->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    SetView(ZoomedAbout(view_, LayoutFor(size()).plot, e->position(), std::pow(1.25, notches)));
    e->accept();
}

void DiagramWidget::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        if (scene_.isBatch && (e->modifiers() & Qt::ShiftModifier)) {
            bandFrom_ = e->position();
            if (!band_)
                band_ = new QRubberBand(QRubberBand::Rectangle, this);
            band_->setGeometry(QRect(e->position().toPoint(), QSize()));
            band_->show();
        } else {
            dragFrom_ = e->position();
            panning_ = false;
            setCursor(Qt::ClosedHandCursor);
        }
    }
    QWidget::mousePressEvent(e);
}

void DiagramWidget::mouseMoveEvent(QMouseEvent *e)
{
    if (bandFrom_) {
        band_->setGeometry(QRect(bandFrom_->toPoint(), e->position().toPoint()).normalized());
        return;
    }
    if (dragFrom_) {
        // A click that slips a pixel or two stays a click; beyond, the
        // whole way from the press pans.
        if (!panning_ && (e->position() - *dragFrom_).manhattanLength() < kClickSlop)
            return;
        panning_ = true;
        SetView(Panned(view_, e->position() - *dragFrom_));
        dragFrom_ = e->position();
    }
}

void DiagramWidget::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        const bool toggle = e->modifiers() & Qt::ControlModifier;
        if (bandFrom_) {
            const QList<int> rows = BatchRowsIn(QRectF(*bandFrom_, e->position()));
            bandFrom_.reset();
            band_->hide();
            if (!rows.isEmpty() || !toggle)
                emit batchRowsPicked(rows, toggle);
        } else if (dragFrom_) {
            const bool click = !panning_;
            dragFrom_.reset();
            panning_ = false;
            unsetCursor();
            if (click && scene_.isBatch) {
                if (const int row = BatchRowAt(e->position()); row >= 0)
                    emit batchRowsPicked({row}, toggle);
            }
        }
    }
    QWidget::mouseReleaseEvent(e);
}

void DiagramWidget::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Home) {
        ResetView();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace diagram

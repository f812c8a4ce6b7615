// The window "色品图" as a user meets it: one per screen, following the
// screen's point, zooming, panning and Home, telling what is under the mouse.

#include "diagram_window.h"
#include "window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <memory>

using namespace diagram;

namespace {

const tolerance::ToleranceEllipse &Gb4000()
{
    return *tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
}

// The owner's one diagram window of that name, once it is on screen.
DiagramWindow *WindowOf(QWidget &owner, const char *name = "diagramWindow")
{
    const auto all = owner.findChildren<DiagramWindow *>(QString::fromLatin1(name));
    if (all.size() != 1 || !QTest::qWaitForWindowExposed(all.front()))
        return nullptr;
    return all.front();
}

// Paints now and returns what was painted.
const PaintedDiagram &Painted(DiagramWindow &w)
{
    w.diagram().repaint();
    return w.diagram().painted();
}

double Distance(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

} // namespace

class DiagramWindowTest : public QObject {
    Q_OBJECT
private slots:
    void followsTheScreensPoint()
    {
        QWidget screen;
        FollowPoint(screen, Xy{0.38, 0.38}); // no window: nothing happens
        QVERIFY(screen.findChildren<DiagramWindow *>().isEmpty());

        ShowDiagramWindow(screen, &Gb4000(), Xy{0.3862, 0.3751});
        DiagramWindow *w = WindowOf(screen);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("色品图 — GB 4000 K"));

        const Xy moved{0.3791, 0.3833};
        FollowPoint(screen, moved);
        const ViewTransform t = w->diagram().Transform();
        QVERIFY(Painted(*w).pointDot);
        QVERIFY(Distance(*Painted(*w).pointDot, t.ToPixel(moved)) < 1e-9);
        QVERIFY(w->diagram().accessibleDescription().contains(QStringLiteral("0.3791")));

        FollowPoint(screen, std::nullopt);
        QVERIFY(!w->diagram().scene().point);
        QVERIFY(!Painted(*w).pointDot);
        QVERIFY(!w->diagram().accessibleDescription().contains(QStringLiteral("计算点")));

        // A second request brings the same window back, with the new point.
        w->hide();
        ShowDiagramWindow(screen, &Gb4000(), Xy{0.39, 0.37});
        QCOMPARE(WindowOf(screen), w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->diagram().scene().point->x, 0.39);
    }

    void windowGoesWithItsScreen()
    {
        auto screen = std::make_unique<QWidget>();
        ShowDiagramWindow(*screen, nullptr, Xy{0.4476, 0.4074});
        QPointer<DiagramWindow> w = WindowOf(*screen);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("色品图 — 相关色温"));
        QVERIFY(Painted(*w).curves.empty()); // around the point: no row, no step curves
        screen.reset();
        QVERIFY(!w);
    }

    // The wheel zooms about the cursor, a drag pans by as much as the mouse
    // moved, Home goes back.
    void zoomPanHome()
    {
        QWidget screen;
        ShowDiagramWindow(screen, &Gb4000(), Xy{0.3862, 0.3751});
        DiagramWidget &d = WindowOf(screen)->diagram();
        const ViewState home = d.view();
        const QPointF cursor = d.Transform().plot().center() + QPointF(80, -50);
        const Xy under = d.Transform().ToXy(cursor);

        QWheelEvent wheel(cursor, d.mapToGlobal(cursor), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&d, &wheel);
        QCOMPARE(d.view().scale, home.scale * 1.25 * 1.25);
        const Xy still = d.Transform().ToXy(cursor);
        QVERIFY(std::fabs(still.x - under.x) < 1e-12 && std::fabs(still.y - under.y) < 1e-12);

        const QPoint from = cursor.toPoint();
        const Xy grabbed = d.Transform().ToXy(from);
        QTest::mousePress(&d, Qt::LeftButton, {}, from);
        QTest::mouseMove(&d, from + QPoint(30, 20));
        QTest::mouseRelease(&d, Qt::LeftButton, {}, from + QPoint(30, 20));
        const Xy dragged = d.Transform().ToXy(from + QPoint(30, 20));
        QVERIFY(std::fabs(dragged.x - grabbed.x) < 1e-12 && std::fabs(dragged.y - grabbed.y) < 1e-12);

        // Once moved by the user, a new point does not move the view.
        const ViewState moved = d.view();
        FollowPoint(screen, Xy{0.40, 0.36});
        QCOMPARE(d.view().middle.x, moved.middle.x);

        // Home: the first view of the scene as it is now, the new point in it.
        QTest::keyClick(&d, Qt::Key_Home);
        const ViewState first = FitView(HomeExtent(d.scene()), d.Transform().plot());
        QCOMPARE(d.view().scale, first.scale);
        QVERIFY(d.Transform().plot().contains(d.Transform().ToPixel({0.40, 0.36})));
    }

    // Over the dot: its numbers; over a curve: which curve and the numbers
    // there; over empty paper: nothing.
    void tooltipsTellWhatIsThere()
    {
        QWidget screen;
        const Xy point{0.3862, 0.3751};
        ShowDiagramWindow(screen, &Gb4000(), point);
        DiagramWindow &w = *WindowOf(screen);
        const PaintedDiagram &painted = Painted(w);
        const QString overDot = w.diagram().ToolTipAt(*painted.pointDot + QPointF(2, -1));
        QVERIFY2(overDot.contains(QStringLiteral("计算点")), qPrintable(overDot));
        QVERIFY(overDot.contains(QStringLiteral("色容差 %1 步")
                                     .arg(tolerance::ComputeTolerance(Gb4000(), point.x, point.y))));
        QVERIFY(overDot.contains(QStringLiteral("SDCM（IEC 60081）")));

        for (const PaintedCurve &c : painted.curves) {
            if (c.standard || c.steps != 3)
                continue;
            const QPointF on = c.path.elementAt(c.path.elementCount() / 4);
            const QString text = w.diagram().ToolTipAt(on + QPointF(1, 1));
            QVERIFY2(text.contains(QStringLiteral("3 步与 4 步之界")), qPrintable(text));
            const Xy xy = w.diagram().Transform().ToXy(on + QPointF(1, 1));
            QVERIFY(text.contains(QStringLiteral("色容差 %1 步")
                                      .arg(tolerance::ComputeTolerance(Gb4000(), xy.x, xy.y))));
        }
        QCOMPARE(w.diagram().ToolTipAt(QPointF(3, 3)), QString());
    }

    // The legend and the screen reader say which quadrangle the point lies
    // in; the context menu hides the quadrangles, and they stay hidden as
    // the point moves.
    void quadrangleOfThePointAndTheToggle()
    {
        QWidget screen;
        const auto *ansi4000 = tolerance::FindEllipse(tolerance::ColourStandard::ANSI, 4000);
        ShowDiagramWindow(screen, ansi4000, Xy{0.3850, 0.3790});
        DiagramWindow *w = WindowOf(screen);
        QVERIFY(w->diagram().accessibleDescription().contains(QStringLiteral("ANSI 四边形 4000K")));
        QVERIFY(w->diagram().scene().ansiQuadrangles);

        QTimer::singleShot(0, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *a : menu->actions())
                if (a->text() == QStringLiteral("显示 ANSI 四边形") && a->isChecked())
                    a->trigger();
            menu->close();
        });
        const QPoint at = w->diagram().geometry().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &menuEvent);
        QVERIFY(!w->diagram().scene().ansiQuadrangles);
        QVERIFY(Painted(*w).outlines.empty());

        FollowPoint(screen, Xy{0.3100, 0.3100});
        QVERIFY(!w->diagram().scene().ansiQuadrangles);
        QVERIFY(w->diagram().accessibleDescription().contains(QStringLiteral("不在 ANSI 四边形内")));
    }

    // Hovering inside a bin names it with its rows, over a dot too; outside
    // every bin, empty paper says nothing. New bins replace the old.
    void hoveringNamesTheBin()
    {
        QWidget batch;
        const BatchPoint rows[] = {{0.375, 0.375, -1}, {0.40, 0.40, -1}};
        auto bins = std::make_shared<const colorimetry::BinSet>(std::vector<colorimetry::Bin>{
            {"A1", {{0.370, 0.370}, {0.385, 0.370}, {0.385, 0.385}, {0.370, 0.385}}}});
        ShowBatchDiagram(batch, nullptr, rows, {}, {}, {bins, {1}});
        DiagramWidget &d = WindowOf(batch, "batchDiagramWindow")->diagram();
        const QString inside = d.ToolTipAt(d.Transform().ToPixel({0.383, 0.372}));
        QVERIFY2(inside.startsWith(QStringLiteral("分档“A1”：1 点\nx = 0.3830")), qPrintable(inside));
        const QString dot = d.ToolTipAt(d.Transform().ToPixel({0.375, 0.375}));
        QVERIFY2(dot.contains(QStringLiteral("第 1 行\n分档“A1”：1 点")), qPrintable(dot));
        QVERIFY(d.ToolTipAt(d.Transform().ToPixel({0.40, 0.40})).contains(QStringLiteral("不在任何分档内")));
        QCOMPARE(d.ToolTipAt(d.Transform().ToPixel({0.395, 0.372})), QString());

        SetBatchBins(batch, {});
        QCOMPARE(d.ToolTipAt(d.Transform().ToPixel({0.383, 0.372})), QString());
    }

    // The batch's window: one per batch window, updated by a second call;
    // selections out of range are ignored; hovering names the row.
    void batchWindowUpdates()
    {
        QWidget batch;
        const BatchPoint rows[] = {{0.381, 0.379, 1}, {0.385, 0.376, 4}, {NAN, NAN, -1}};
        const int selected[] = {1, 7, -2};
        ShowBatchDiagram(batch, &Gb4000(), rows, selected);
        DiagramWindow *w = WindowOf(batch, "batchDiagramWindow");
        QVERIFY(w);
        QCOMPARE(w->diagram().scene().selected, std::vector<int>{1});
        const QPointF at = w->diagram().Transform().ToPixel({0.385, 0.376});
        QVERIFY(w->diagram().ToolTipAt(at).contains(QStringLiteral("第 2 行")));

        ShowBatchDiagram(batch, &Gb4000(), std::span(rows).first(1));
        QCOMPARE(WindowOf(batch, "batchDiagramWindow"), w);
        QCOMPARE(w->diagram().scene().batch.size(), std::size_t(1));
        QVERIFY(w->diagram().scene().selected.empty());
    }

    // Two dots 4 px apart: hovering and clicking name and pick the nearer
    // one, whichever comes first in the file.
    void nearestDotIsPicked()
    {
        QWidget batch;
        const Xy a{0.3812, 0.3791}, far{0.3912, 0.3691};
        std::vector<BatchPoint> rows{{a.x, a.y, 1, 10}, {far.x, far.y, 9, 30}};
        ShowBatchDiagram(batch, &Gb4000(), rows);
        DiagramWidget &d = WindowOf(batch, "batchDiagramWindow")->diagram();
        const QPointF pa = d.Transform().ToPixel(a);
        const Xy b = d.Transform().ToXy(pa + QPointF(4, 0)); // inside the extent: the view stays
        rows.insert(rows.begin() + 1, BatchPoint{b.x, b.y, 1, 20});
        std::vector<int> picked;
        ShowBatchDiagram(batch, &Gb4000(), rows, {}, [&picked](std::span<const int> p, bool) {
            picked.assign(p.begin(), p.end());
        });
        QVERIFY(Distance(d.Transform().ToPixel(a), pa) < 1e-6);
        const struct { QPointF at; int row; int line; } cases[] = {
            {pa + QPointF(1, 0), 0, 10}, {pa + QPointF(3, 1), 1, 20}, {pa + QPointF(-2, -2), 0, 10},
            {pa + QPointF(6, 0), 1, 20}};
        for (const auto &c : cases) {
            QCOMPARE(d.BatchRowAt(c.at), c.row);
            QVERIFY(d.ToolTipAt(c.at).contains(QStringLiteral("文件第 %1 行").arg(c.line)));
            QTest::mouseClick(&d, Qt::LeftButton, {}, c.at.toPoint());
            QCOMPARE(picked, std::vector<int>{c.row});
        }
    }

    // A click on a dot picks its row, with Ctrl to toggle; a drag pans and
    // picks nothing; a drag with Shift picks the dots in its rectangle. The
    // batch window's selection re-rings the dots.
    void batchRowsArePickedAndRinged()
    {
        QWidget batch;
        const BatchPoint rows[] = {{0.381, 0.379, 1}, {0.385, 0.376, 4}, {0.378, 0.384, 2}, {NAN, NAN, -1}};
        std::vector<std::pair<std::vector<int>, bool>> picks;
        ShowBatchDiagram(batch, &Gb4000(), rows, {}, [&picks](std::span<const int> picked, bool toggle) {
            picks.push_back({{picked.begin(), picked.end()}, toggle});
        });
        DiagramWidget &d = WindowOf(batch, "batchDiagramWindow")->diagram();
        auto pixel = [&d, &rows](int i) { return d.Transform().ToPixel({rows[i].x, rows[i].y}).toPoint(); };

        QTest::mouseClick(&d, Qt::LeftButton, {}, pixel(1) + QPoint(2, -1));
        QTest::mouseClick(&d, Qt::LeftButton, Qt::ControlModifier, pixel(2));
        const double before = d.view().middle.x;
        QTest::mousePress(&d, Qt::LeftButton, {}, pixel(0));
        QTest::mouseMove(&d, pixel(0) + QPoint(40, 0));
        QTest::mouseRelease(&d, Qt::LeftButton, {}, pixel(0) + QPoint(40, 0));
        QVERIFY(d.view().middle.x < before);
        const QPoint corner(std::min(pixel(0).x(), pixel(1).x()) - 3, std::min(pixel(0).y(), pixel(1).y()) - 3);
        const QPoint opposite(std::max(pixel(0).x(), pixel(1).x()) + 3, std::max(pixel(0).y(), pixel(1).y()) + 3);
        QTest::mousePress(&d, Qt::LeftButton, Qt::ShiftModifier, corner);
        QTest::mouseMove(&d, opposite);
        QTest::mouseRelease(&d, Qt::LeftButton, Qt::ShiftModifier, opposite);
        const std::vector<std::pair<std::vector<int>, bool>> expected{{{1}, false}, {{2}, true}, {{0, 1}, false}};
        QCOMPARE(picks, expected);

        const int selected[] = {2, 0, 2, 9};
        SelectBatchRows(batch, selected);
        QCOMPARE(d.scene().selected, (std::vector<int>{0, 2}));
    }
};

QTEST_MAIN(DiagramWindowTest)
#include "test_diagram_window.moc"

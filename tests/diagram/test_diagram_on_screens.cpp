// The diagram beside a real calculator screen: F2 opens it on the screen's
// point, each "计 算" moves the point, and missing input removes it.

#include "ambrix_fixture.h"
#include "window.h"

#include <QtTest>

using namespace testing_support;

class DiagramOnScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { framework::PrepareApplication(); }

    void followsComputeOnACalculator()
    {
        AmbrixRun run;
        const QString screen = QStringLiteral("CN4000K");
        run.Open(screen);
        framework::ScreenWindow *window = run.nav.Window(screen);
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        auto compute = [&](const QString &x, const QString &y) {
            Type(run.nav, screen, "T1", x);
            Type(run.nav, screen, "T2", y);
            MessageCatcher catcher;
            Click(run.nav, screen, "Command1");
            return catcher.messages.size();
        };
        QCOMPARE(compute("0.3862", "0.3751"), 0);

        QTest::keyClick(window, Qt::Key_F2);
        auto *diagram = window->findChild<diagram::DiagramWindow *>("diagramWindow");
        QVERIFY(diagram && QTest::qWaitForWindowExposed(diagram));
        QCOMPARE(diagram->windowTitle(), QStringLiteral("色品图 — GB 4000 K"));
        diagram::DiagramWidget &widget = diagram->diagram();
        QCOMPARE(widget.scene().point->x, 0.3862);
        QCOMPARE(widget.scene().point->y, 0.3751);

        QCOMPARE(compute("0.3791", "0.3833"), 0);
        QCOMPARE(widget.scene().point->x, 0.3791);
        QCOMPARE(widget.scene().point->y, 0.3833);
        widget.repaint();
        const QPointF expected = widget.Transform().ToPixel({0.3791, 0.3833});
        QVERIFY(widget.painted().pointDot && *widget.painted().pointDot == expected);

        QCOMPARE(compute("0.3791", ""), 1); // the screen asks for the missing number
        QVERIFY(!widget.scene().point);
        widget.repaint();
        QVERIFY(!widget.painted().pointDot);
    }

    // F2 opens the diagram on the screen's point as it is now: none after
    // missing input, whatever was computed before.
    void opensOnTheLastCompute()
    {
        const struct {
            std::vector<std::pair<QString, QString>> computes;
            std::optional<double> x; // of the point shown
        } cases[] = {
            {{{"0.3862", "0.3751"}}, 0.3862},
            {{{"0.3862", "0.3751"}, {"0.3791", ""}}, std::nullopt},
            {{{"", "0.3751"}, {"0.3791", "0.3833"}}, 0.3791},
        };
        for (const auto &c : cases) {
            AmbrixRun run;
            run.Open("CN4000K");
            framework::ScreenWindow *window = run.nav.Window("CN4000K");
            QVERIFY(window && QTest::qWaitForWindowActive(window));
            for (const auto &[x, y] : c.computes) {
                Type(run.nav, "CN4000K", "T1", x);
                Type(run.nav, "CN4000K", "T2", y);
                MessageCatcher catcher;
                Click(run.nav, "CN4000K", "Command1");
            }
            window->activateWindow(); // back from the message box
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_F2);
            auto *diagram = window->findChild<diagram::DiagramWindow *>("diagramWindow");
            QVERIFY(diagram);
            const std::optional<diagram::Xy> point = diagram->diagram().scene().point;
            QCOMPARE(point ? std::optional<double>(point->x) : std::nullopt, c.x);
        }
    }
};

QTEST_MAIN(DiagramOnScreensTest)
#include "test_diagram_on_screens.moc"

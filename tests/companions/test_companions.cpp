// What stands beside the result screens: the exact figures in the result's
// tooltip and description, the copied result line (and an entry's own
// Ctrl+C), the context menu, and an undefined CCT said as such.

#include "ambrix_fixture.h"
#include "cendrel_run.h"

#include "batch_window_widget.h"

#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace testing_support;

class CompanionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { framework::PrepareApplication(); }

    void calculatorGivesTheExactFiguresBesideItsNumber()
    {
        AmbrixRun run;
        run.Open("CN4000K");
        Type(run.nav, "CN4000K", "T1", "0.3805");
        Type(run.nav, "CN4000K", "T2", "0.3768");
        Click(run.nav, "CN4000K", "Command1");
        auto *result = ControlOf<QLabel>(run.nav, "CN4000K", "Label5");
        QCOMPARE(result->text(), "2");

        // The standard's SDCM, worked out here from its coefficients for
        // 4000 K: g11 = 39.5·10⁴, g12 = −21.5·10⁴, g22 = 26·10⁴.
        const double dx = 0.3805 - 0.38, dy = 0.3768 - 0.38;
        const double sdcm = std::sqrt(395000 * dx * dx - 2 * 215000 * dx * dy + 260000 * dy * dy);
        const QString tip = result->toolTip();
        const QRegularExpression form(
            "^SDCM（IEC 60081）(\\d+\\.\\d\\d) 步 · 色温 (\\d+) K · Duv ([+-]0\\.\\d{4})$");
        const QRegularExpressionMatch m = form.match(tip);
        QVERIFY2(m.hasMatch(), qPrintable(tip));
        QCOMPARE(m.captured(1), QString::number(sdcm, 'f', 2));
        QVERIFY2(m.captured(2).toInt() > 3900 && m.captured(2).toInt() < 4000, qPrintable(tip));
        QCOMPARE(result->accessibleDescription(), "色容差结果：" + tip);

        // Ctrl+C puts one tab-separated row on the clipboard.
        QClipboard *clipboard = QApplication::clipboard();
        QWidget *compute = ControlOf(run.nav, "CN4000K", "Command1");
        compute->setFocus();
        QTest::keyClick(compute, Qt::Key_C, Qt::ControlModifier);
        const QStringList fields = clipboard->text().chopped(1).split('\t');
        QCOMPARE(fields.size(), 6);
        QCOMPARE(fields.mid(0, 3), QStringList({"0.3805", "0.3768", "2"}));
        QCOMPARE(fields[3], QString::number(sdcm, 'f', 4));
        QCOMPARE(qRound(fields[4].toDouble()), m.captured(2).toInt());
        QCOMPARE(fields[5].left(7), m.captured(3).left(7));

        // An entry with a selection copies it, as entries do; without one
        // the key is the screen's.
        auto *x = ControlOf<QLineEdit>(run.nav, "CN4000K", "T1");
        x->setFocus();
        x->setSelection(2, 3);
        QTest::keyClick(x, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), "380");
        x->deselect();
        QTest::keyClick(x, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(clipboard->text().startsWith("0.3805\t0.3768\t2\t"));

        // Missing input leaves the number, and the figures beside it.
        Type(run.nav, "CN4000K", "T2", "");
        MessageCatcher catcher;
        Click(run.nav, "CN4000K", "Command1");
        QCOMPARE(catcher.messages.size(), 1);
        QCOMPARE(result->text(), "2");
        QCOMPARE(result->toolTip(), tip);
    }

    // On hover and on the copied line alike, the SDCM is measured from the
    // screen's row or, on F4, from the nearest GB (IEC 60081) centre, found
    // here by trying every one; the copied figures are the tooltip's.
    void copiedFiguresAreTheTooltips()
    {
        const auto *us6500 = tolerance::FindEllipse(tolerance::ColourStandard::ANSI, 6500);
        const struct {
            QString screen;
            double x, y;
            const tolerance::ToleranceEllipse *row; // null: the nearest GB centre
        } cases[] = {
            {"US6500K", us6500->x0, us6500->y0, us6500},
            {"CN4000K", 0.3805, 0.3768, tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)},
            {"F4", 0.3123, 0.3282, nullptr},
            {"F4", 0.4476, 0.4074, nullptr},
        };
        auto sdcm = [](const tolerance::ToleranceEllipse &r, double x, double y) {
            const double dx = x - r.x0, dy = y - r.y0;
            return std::sqrt(r.g11 * dx * dx - 2 * 50 * r.c * dx * dy + r.g22 * dy * dy);
        };
        for (const auto &c : cases) {
            const tolerance::ToleranceEllipse *row = c.row;
            for (const tolerance::ToleranceEllipse &r : tolerance::EllipseTable) {
                if (!c.row && r.standard == tolerance::ColourStandard::GB
                    && (!row || sdcm(r, c.x, c.y) < sdcm(*row, c.x, c.y)))
                    row = &r;
            }
            const double want = sdcm(*row, c.x, c.y);
            const bool f4 = c.screen == "F4";
            std::unique_ptr<AmbrixRun> ambrix;
            std::unique_ptr<CendrelRun> cendrel(f4 ? new CendrelRun("F4") : nullptr);
            if (!f4) {
                ambrix = std::make_unique<AmbrixRun>();
                ambrix->Open(c.screen);
            }
            framework::ScreenNavigator &nav = f4 ? cendrel->nav : ambrix->nav;
            Type(nav, c.screen, "T1", QString::number(c.x, 'g', 17));
            Type(nav, c.screen, "T2", QString::number(c.y, 'g', 17));
            Click(nav, c.screen, "Command1");
            const QString tip = ControlOf<QLabel>(nav, c.screen, f4 ? "L5" : "Label5")->toolTip();
            const QRegularExpressionMatch m =
                QRegularExpression("^SDCM（IEC 60081(?:，(\\d+) K)?）(\\d+\\.\\d\\d) 步").match(tip);
            QVERIFY2(m.hasMatch() && m.captured(2) == QString::number(want, 'f', 2), qPrintable(tip));
            if (f4)
                QCOMPARE(m.captured(1).toInt(), row->nominalCct);
            QApplication::clipboard()->clear();
            nav.Window(c.screen)->actions().first()->trigger(); // 复制结果
            const QStringList fields = QApplication::clipboard()->text().chopped(1).split('\t');
            QCOMPARE(fields.size(), 6);
            QCOMPARE(fields[3], QString::number(want, 'f', 4));
            QVERIFY2(tip.contains(QStringLiteral("色温 %1 K").arg(qRound(fields[4].toDouble()))), qPrintable(tip));
            if (cendrel)
                nav.EndProgram();
        }
    }

    void offeredThroughTheContextMenuOnly()
    {
        AmbrixRun run;
        run.Open("US3500K");
        framework::ScreenWindow *window = run.nav.Window("US3500K");
        QStringList entries;
        for (QAction *action : window->actions())
            entries << action->text() + " " + action->shortcut().toString();
        QCOMPARE(entries, QStringList({"复制结果 Ctrl+C", "批量计算… Ctrl+O", "批量计算文件夹… Ctrl+Shift+O",
                                       "色品图… F2"}));
        QCOMPARE(window->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(window->acceptDrops());

        // Nothing to copy yet: the user is told, the clipboard keeps its text.
        QApplication::clipboard()->setText("kept");
        MessageCatcher catcher;
        window->actions().first()->trigger();
        QCOMPARE(catcher.messages.size(), 1);
        QCOMPARE(catcher.messages[0].title, "出错");
        QCOMPARE(QApplication::clipboard()->text(), "kept");
    }

    void fileDroppedOnAnEntryOpensTheBatchWindow()
    {
        // A file of (x, y) and a spectrometer's export of one LED, each
        // dropped on a calculator and on F4: the window, with the spectrum
        // pane for the spectrum.
        QTemporaryDir dir;
        QByteArray spectrum = "波长(nm),LED1\n";
        for (int nm = 380; nm <= 780; ++nm)
            spectrum += QByteArray::number(nm) + ','
                        + QByteArray::number(std::exp(-0.5 * std::pow((nm - 450) / 10.0, 2))
                                                 + 1.6 * std::exp(-0.5 * std::pow((nm - 560) / 50.0, 2)),
                                             'g', 9)
                        + '\n';
        const struct {
            const char *screen;
            const char *file;
            QByteArray text;
            int rows;
        } cases[] = {
            {"CN4000K", "tray.csv", "x;y\n0.3805;0.3768\nabc;0.38\n", 2},
            {"F4", "tray.csv", "x;y\n0.3805;0.3768\nabc;0.38\n", 2},
            {"CN4000K", "spectrum.csv", spectrum, 1},
            {"F4", "spectrum.csv", spectrum, 1},
        };
        for (const auto &c : cases) {
            const bool spectral = c.rows == 1;
            QFile file(dir.filePath(c.file));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(c.text);
            file.close();

            const bool f4 = QLatin1String(c.screen) == "F4";
            std::unique_ptr<AmbrixRun> ambrix;
            std::unique_ptr<CendrelRun> cendrel(f4 ? new CendrelRun("F4") : nullptr);
            if (!f4) {
                ambrix = std::make_unique<AmbrixRun>();
                ambrix->Open(c.screen);
            }
            framework::ScreenNavigator &nav = f4 ? cendrel->nav : ambrix->nav;
            QWidget *entry = ControlOf(nav, c.screen, "T1");
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(file.fileName())});
            mime.setText(file.fileName());
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(entry, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(entry, &drop);

            // The entry keeps its text; the rows are rated in a window of their own.
            QCOMPARE(Text(nav, c.screen, "T1"), "");
            QPointer<batchui::BatchWindow> batch = nav.Window(c.screen)->findChild<batchui::BatchWindow *>();
            QVERIFY2(batch, c.file);
            QTRY_VERIFY(!batch->loading());
            QCOMPARE(batch->model().rowCount(), c.rows);
            QVERIFY2(batch->summaryText().contains(QString::number(c.rows)), qPrintable(batch->summaryText()));
            QCOMPARE(batch->spectrumPane().isVisibleTo(batch), spectral);
        }

        // Several files dropped at once: one window, their rows one table,
        // each row named by its file first.
        AmbrixRun run;
        run.Open("CN4000K");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(dir.filePath("tray.csv")), QUrl::fromLocalFile(dir.filePath("spectrum.csv"))});
        QWidget *entry = ControlOf(run.nav, "CN4000K", "T1");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(entry, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(entry, &drop);
        QPointer<batchui::BatchWindow> batch = run.nav.Window("CN4000K")->findChild<batchui::BatchWindow *>();
        QVERIFY(batch);
        QTRY_VERIFY(!batch->loading());
        QCOMPARE(batch->model().rowCount(), 3);
        QCOMPARE(batch->model().headerData(0, Qt::Horizontal).toString(), QString("文件"));
        QCOMPARE(batch->model().data(batch->model().index(2, 0)).toString(), QString("spectrum.csv"));
    }

    void converterSaysWhenTheCctIsUndefined()
    {
        CendrelRun run("F4");
        Type(run.nav, "F4", "T1", "0.2");
        Type(run.nav, "F4", "T2", "0.6");
        Click(run.nav, "F4", "Command1");
        auto *result = ControlOf<QLabel>(run.nav, "F4", "L5");
        QVERIFY(!result->text().isEmpty());
        // Far above the locus: no CCT, but the SDCM from the nearest of the
        // standard's centres, named.
        const QString tip = result->toolTip();
        QVERIFY2(tip.contains("色温无定义（|Duv| > 0.05）"), qPrintable(tip));
        QVERIFY2(QRegularExpression("^SDCM（IEC 60081，\\d{4} K）\\d+\\.\\d\\d 步").match(tip).hasMatch(),
                 qPrintable(tip));
        run.nav.EndProgram();
    }
};

QTEST_MAIN(CompanionsTest)
#include "test_companions.moc"

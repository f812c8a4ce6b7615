// Opens the batch window of a calculator screen on a measurement file, as
// a drop on the screen does, waits until the file is read, selects a failed
// row so its marking shows, and writes the window to a PNG. With a second
// picture's name, it then selects a few rows, opens the rows' diagram,
// clicks a dot there with Ctrl as a user adds a row, and writes both
// windows side by side.
//
//   batch_window_screenshot FILE.csv OUT.png [GB|ANSI] [CCT] [BESIDE.png]

#include "batch_window_widget.h"
#include "window.h"
#include "window_services.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

// The batch window and its diagram, side by side on one picture.
bool ShootBeside(batchui::BatchWindow &window, const QString &file)
{
    const int first = std::min(12, window.model().rowCount() - 1);
    if (first < 0)
        return false;
    window.view().selectionModel()->select(
        QItemSelection(window.model().index(first, 0),
                       window.model().index(std::min(first + 3, window.model().rowCount() - 1), 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window.ShowDiagram();
    auto *diagramWindow = window.findChild<diagram::DiagramWindow *>();
    if (!diagramWindow || !QTest::qWaitForWindowExposed(diagramWindow))
        return false;
    window.move(0, 0);
    diagramWindow->move(window.frameGeometry().right() + 8, 0);
    QApplication::processEvents();
    // The dot of a row further down, added to the selection by a click.
    diagram::DiagramWidget &d = diagramWindow->diagram();
    const auto &points = d.scene().batch;
    for (std::size_t i = points.size() / 2; i < points.size(); ++i) {
        const QPointF at = d.Transform().ToPixel({points[i].x, points[i].y});
        if (std::isfinite(points[i].x) && d.BatchRowAt(at) == int(i)) {
            QTest::mouseClick(&d, Qt::LeftButton, Qt::ControlModifier, at.toPoint());
            break;
        }
    }
    QApplication::processEvents();
    const QPixmap left = window.grab(), right = diagramWindow->grab();
    QImage both(left.width() + 8 + right.width(), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    both.fill(Qt::darkGray);
    QPainter p(&both);
    p.drawPixmap(0, 0, left);
    p.drawPixmap(left.width() + 8, 0, right);
    p.end();
    return both.save(file);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    framework::PrepareApplication();
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE OUT.png [GB|ANSI] [CCT] [BESIDE.png]\n", argv[0]);
        return 2;
    }
    const auto standard = argc > 3 && QByteArray(argv[3]) == "ANSI" ? tolerance::ColourStandard::ANSI
                                                                     : tolerance::ColourStandard::GB;
    const int cct = argc > 4 ? std::atoi(argv[4]) : 4000;
    const QString beside = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QString();
    QWidget screen;
    screen.setWindowTitle(QStringLiteral("CN%1K").arg(cct));
    batchui::OpenBatchWindow(screen, {tolerance::FindEllipse(standard, cct)}, {QString::fromLocal8Bit(argv[1])});
    auto *window = screen.findChild<batchui::BatchWindow *>();
    if (!window)
        return 1;
    int status = 1;
    QObject::connect(window, &batchui::BatchWindow::loaded, [&] {
        QTimer::singleShot(300, [&] {
            for (int row = 0; row < window->model().rowCount(); ++row) {
                if (!window->model().rows().rating(std::size_t(row)).rated) {
                    window->view().selectRow(row);
                    break;
                }
            }
            status = window->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
            if (status == 0 && !beside.isEmpty())
                status = ShootBeside(*window, beside) ? 0 : 1;
            app.quit();
        });
    });
    app.exec();
    return status;
}

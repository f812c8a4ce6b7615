// Opens the batch window of a calculator screen on a measurement file, as
// a drop on the screen does, waits until the file is read, selects a failed
// row so its marking shows, and writes the window to a PNG.
//
//   batch_window_screenshot FILE.csv OUT.png [GB|ANSI] [CCT]

#include "batch_window_widget.h"
#include "window_services.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    framework::PrepareApplication();
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE OUT.png [GB|ANSI] [CCT]\n", argv[0]);
        return 2;
    }
    const auto standard = argc > 3 && QByteArray(argv[3]) == "ANSI" ? tolerance::ColourStandard::ANSI
                                                                     : tolerance::ColourStandard::GB;
    const int cct = argc > 4 ? std::atoi(argv[4]) : 4000;
    QWidget screen;
    screen.setWindowTitle(QStringLiteral("CN%1K").arg(cct));
    batchui::OpenBatchWindow(screen, {tolerance::FindEllipse(standard, cct)}, QString::fromLocal8Bit(argv[1]));
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
            window->grab().save(QString::fromLocal8Bit(argv[2]));
            status = 0;
            app.quit();
        });
    });
    app.exec();
    return status;
}

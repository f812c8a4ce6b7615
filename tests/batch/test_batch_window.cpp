// The batch window, offscreen: opened on a file it shows every row, marks
// the failed ones with their message, exports exactly what it shows, copies
// the selection for a spreadsheet, and tells the user about a file it
// cannot read without losing the screen.

#include "batch_files.h"
#include "batch_window_widget.h"

#include "window.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace batch_testing;

namespace {

batchui::BatchWindow *OpenAndWait(QWidget &screen, const QString &path, const batchui::Target &target)
{
    batchui::OpenBatchWindow(screen, target, path);
    auto *window = screen.findChild<batchui::BatchWindow *>();
    if (window && window->loading()) {
        QSignalSpy loaded(window, &batchui::BatchWindow::loaded);
        loaded.wait(10000);
    }
    return window;
}

} // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT

private slots:
    void showsAndExportsTheRows();
    void unreadableFileIsToldAndClosed();
    void summaryTellsHowTheFileWasRead();
    void diagramAndTableSelectTogether();

private:
    QTemporaryDir dir_;
};

void TestBatchWindow::showsAndExportsTheRows()
{
    // A semicolon file with a quoted cell, a failed row and a long row.
    const QString path = WriteFile(dir_, "tray.csv",
                                   "编号;CIE x;CIE y\n\"a;1\";0.3805;0.3768\nb;abc;0.38\n"
                                   "c;0.44;0.40;extra\n");
    QWidget screen;
    const auto *row = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    batchui::BatchWindow *window = OpenAndWait(screen, path, {row});
    QVERIFY(window);
    QVERIFY(window->windowTitle().contains("CN4000K"));
    QVERIFY(window->windowTitle().contains("tray.csv"));
    batchui::BatchModel &model = window->model();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3 + 6 + 1);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("steps"));
    QCOMPARE(model.CellText(0, 3), QString("2"));
    // The failed row: marked, and its message on hover.
    QVERIFY(model.data(model.index(1, 0), Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
    QVERIFY(model.data(model.index(1, 2), Qt::ToolTipRole).toString().contains("不是一个数"));
    QVERIFY(model.headerData(1, Qt::Vertical, Qt::DecorationRole).isValid());
    QVERIFY(window->summaryText().contains("共 3 行"));

    // The export is the table, cell for cell, header first.
    const QString exported = dir_.filePath("exported.csv");
    QCOMPARE(window->ExportCsv(exported), QString());
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> lines = ParseCsv(QString::fromUtf8(file.readAll()));
    QCOMPARE(lines.size(), 1 + model.rowCount());
    for (int column = 0; column < 3 + 5; ++column)
        QCOMPARE(lines[0][column], model.headerData(column, Qt::Horizontal).toString());
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int column = 0; column < model.columnCount(); ++column)
            QCOMPARE(lines[r + 1].value(column), model.CellText(r, column));
    }

    // Ctrl+C: the selection as tab-separated lines.
    window->view().selectionModel()->select(
        QItemSelection(model.index(0, 0), model.index(1, 3)), QItemSelectionModel::Select);
    QCOMPARE(window->SelectionText(),
             QString("a;1\t0.3805\t0.3768\t2\nb\tabc\t0.38\t\n"));
}

void TestBatchWindow::unreadableFileIsToldAndClosed()
{
    QWidget screen;
    QString title;
    QTimer::singleShot(50, [&] {
        auto answer = [&](auto &self) -> void {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                title = box->text();
                box->accept();
                return;
            }
            QTimer::singleShot(20, [&] { self(self); });
        };
        answer(answer);
    });
    QPointer<batchui::BatchWindow> window =
        OpenAndWait(screen, dir_.filePath("absent.csv"), {nullptr});
    QTRY_VERIFY_WITH_TIMEOUT(!title.isEmpty(), 5000);
    QVERIFY(title.contains("absent.csv"));
    QTRY_VERIFY(window.isNull()); // the window went; the screen stays
}

void TestBatchWindow::summaryTellsHowTheFileWasRead()
{
    // Undecodable bytes (how many, and the line of the first) and a second
    // column named like x are told under the table.
    const QString path = WriteFile(dir_, "read.csv", "编号,x,y,x\n一,0.38,0.38,0.4\n二\xff,0.38,0.38,0.4\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    const QString summary = window->summaryText();
    QVERIFY2(summary.contains(QStringLiteral("有 1 个字节不能按 UTF-8 解码（第一个在第 3 行）"))
                 && summary.contains(QStringLiteral("第 4 列 “x” 也像 x")),
             qPrintable(summary));
    QCOMPARE(window->model().CellText(0, 0), QStringLiteral("一"));
}

void TestBatchWindow::diagramAndTableSelectTogether()
{
    const QString path = WriteFile(dir_, "select.csv", "id,x,y\na,0.3805,0.3768\nb,abc,0.38\nc,0.39,0.372\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    window->ShowDiagram();
    auto *diagramWindow = window->findChild<diagram::DiagramWindow *>();
    QVERIFY(diagramWindow && QTest::qWaitForWindowExposed(diagramWindow));
    diagram::DiagramWidget &d = diagramWindow->diagram();

    // A click on the third row's dot selects that row and makes it current;
    // the dot's tooltip names the row as the table does.
    const QPoint dot = d.Transform().ToPixel({0.39, 0.372}).toPoint();
    QTest::mouseClick(&d, Qt::LeftButton, {}, dot);
    QCOMPARE(window->SelectedRows(), std::vector<int>{2});
    QCOMPARE(window->view().currentIndex().row(), 2);
    QCOMPARE(window->view().selectionModel()->selectedRows().size(), 1);
    const QString line = window->model().headerData(2, Qt::Vertical).toString();
    QVERIFY2(d.ToolTipAt(dot).contains(QStringLiteral("文件第 %1 行").arg(line)), qPrintable(d.ToolTipAt(dot)));

    // The table's selection re-rings the dots, as it changes.
    window->view().selectRow(0);
    QCOMPARE(d.scene().selected, std::vector<int>{0});
    window->view().selectionModel()->select(window->model().index(1, 1), QItemSelectionModel::Select);
    QCOMPARE(d.scene().selected, (std::vector<int>{0, 1}));
    window->view().clearSelection();
    QVERIFY(d.scene().selected.empty());
}

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"

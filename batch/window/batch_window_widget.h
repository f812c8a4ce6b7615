#pragma once
// The batch window: the rated rows of one measurement file in a table, a
// summary line, export to CSV, copying the selection for a spreadsheet and
// the chromaticity diagram of the rows. A file loads in a worker thread,
// chunk by chunk, with a progress bar; the window never waits for it.

#include "batch_model.h"
#include "batch_window.h"
#include "summary.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <span>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace batchui {

class BatchWindow : public QWidget {
    Q_OBJECT

public:
    BatchWindow(QWidget &screenWindow, const Target &target, const QString &path);
    ~BatchWindow() override;

    // Reads the file (again) with these options, in the background.
    void Load(const batch::ReadOptions &options);
    bool loading() const { return worker_.joinable() && !done_; }

    BatchModel &model() { return *model_; }
    QTableView &view() { return *view_; }
    QString summaryText() const;

    // Writes the table as it is shown, as CSV (UTF-8, a header first).
    // Returns an error message for the user, empty on success.
    QString ExportCsv(const QString &path) const;
    // The selected cells as tab-separated lines, for a spreadsheet.
    QString SelectionText() const;
    // The rows with a selected cell, ascending.
    std::vector<int> SelectedRows() const;
    // Opens (or updates and raises) the diagram of the rows; the selected
    // rows are ringed and follow the table's selection, and picking dots in
    // the diagram selects their rows here.
    void ShowDiagram();

signals:
    // The whole file is in the table (or reading stopped with a message).
    void loaded();

private:
    struct Chunk;
    void Receive(std::shared_ptr<Chunk> chunk);
    void Finish(const QString &problem, batch::HeaderProblem header);
    void StopWorker();
    void AskForColumns();
    void ExportWithDialog();
    void CopySelection() const;
    void SelectPicked(std::span<const int> rows, bool toggle);

    Target target_;
    QString path_;
    batch::ReadOptions options_;
    BatchModel *model_;
    QTableView *view_;
    QLabel *fileLine_;
    QLabel *summaryLine_;
    QProgressBar *progress_;
    QPushButton *exportButton_;
    QPushButton *diagramButton_;
    std::unique_ptr<batch::Summary> summary_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool done_ = false;
    int generation_ = 0;        // of the reading under way
    bool layoutSet_ = false;    // its header has arrived
    batch::Layout headerLayout_; // a header without the coordinates' columns
    bool columnsSized_ = false;
};

} // namespace batchui

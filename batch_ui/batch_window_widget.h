#pragma once
// The batch window: the rated rows of one measurement file in a table, a
// summary line, export to CSV, copying the selection for a spreadsheet and
// the chromaticity diagram of the rows. A file loads in a worker thread,
// chunk by chunk, with a progress bar; the window never waits for it.
// A file of spectra adds the spectrum pane under the table; the user's bin
// file ("分档…") sorts the rows into bins, with a yield table beside the
// summary.

#include "batch_model.h"
#include "batch_window.h"
#include "scene.h"
#include "spectrum_pane.h"
#include "summary.h"
#include "yield_table.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <span>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableView;

namespace batchui {

class BatchWindow : public QWidget {
    Q_OBJECT

public:
    BatchWindow(QWidget &screenWindow, const Target &target, const QStringList &paths);
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

    // Reads a bin file and sorts the rows into its bins. Returns the message
    // for the user when the file cannot be used (naming its line); the rows
    // and any bins loaded before then stay as they were.
    QString LoadBins(const QString &path);
    // The user's bins with the rows in each, as the diagram draws them.
    diagram::SceneBins BinsWithCounts() const;

    // Shown only for a file of spectra.
    SpectrumPane &spectrumPane() { return *pane_; }
    // Shown once a bin file is loaded.
    YieldTable &yieldTable() { return *yieldTable_; }

signals:
    // The whole file is in the table (or reading stopped with a message).
    void loaded();

private:
    struct Chunk;
    void Receive(std::shared_ptr<Chunk> chunk);
    void Finish(const QString &problem, batch::HeaderProblem header);
    void StopWorker();
    void AskForColumns();
    QString SourceName() const; // the file's name, or the first's and how many
    void ExportWithDialog();
    void CopySelection() const;
    void SelectPicked(std::span<const int> rows, bool toggle);
    void LoadBinsWithDialog();
    void RowsArrived();
    void UpdatePane();

    Target target_;
    QString path_;       // the first file or folder
    QStringList paths_;  // every one
    bool several_;       // read as several files (more than one, or a folder)
    batch::ReadOptions options_;
    BatchModel *model_;
    QTableView *view_;
    QLabel *fileLine_;
    QLabel *summaryLine_;
    QProgressBar *progress_;
    QPushButton *exportButton_;
    QPushButton *diagramButton_;
    QPushButton *binsButton_;
    QSplitter *splitter_;
    SpectrumPane *pane_;
    YieldTable *yieldTable_;
    QLabel *binsLine_;
    std::unique_ptr<batch::Summary> summary_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool done_ = false;
    int generation_ = 0;        // of the reading under way
    bool layoutSet_ = false;    // its header has arrived
    batch::Layout headerLayout_; // a header without the coordinates' columns
    batch::Layout readingLayout_; // as the reading last told it
    bool columnsSized_ = false;
};

} // namespace batchui

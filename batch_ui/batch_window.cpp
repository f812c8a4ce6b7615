#include "batch_window_widget.h"

#include "row_pipeline.h"

#include "bin_file.h"
#include "file_sequence.h"
#include "row_writer.h"

#include "file_system.h"

#include "diagram_window.h"
#include "report_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <set>

namespace batchui {

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString TargetName(const Target &target)
{
    if (!target.row)
        return QStringLiteral("色温");
    return QStringLiteral("%1%2K")
        .arg(target.row->standard == tolerance::ColourStandard::GB ? "CN" : "US")
        .arg(target.row->nominalCct);
}

QString DelimiterName(char delimiter)
{
    return delimiter == '\t' ? QStringLiteral("制表符分隔")
           : delimiter == ';' ? QStringLiteral("分号分隔")
                              : QStringLiteral("逗号分隔");
}

// Where the rows' points come from, for the line above the table.
QString PointsText(const batch::Layout &layout)
{
    const auto column = [&](std::size_t i) { return i < layout.header.size() ? FromUtf8(layout.header[i]) : QString(); };
    const QString xy = QStringLiteral("x：“%1” · y：“%2”").arg(column(layout.xColumn), column(layout.yColumn));
    switch (layout.spectral) {
    case batch::SpectralKind::None:
        return xy;
    case batch::SpectralKind::Wide:
        return QStringLiteral("光谱：每行一条") + (layout.fileXy ? QStringLiteral(" · 文件自带 ") + xy : QString());
    case batch::SpectralKind::Long:
        return QStringLiteral("光谱：每列一条（第一列为波长）");
    case batch::SpectralKind::Cgats:
        return QStringLiteral("CGATS 光谱文件");
    case batch::SpectralKind::Spdx:
        return QStringLiteral("IES TM-27 光谱文件");
    }
    return xy;
}

// Rows travel from the worker to the window in chunks of about this many,
// or after this long, whichever comes first.
constexpr std::size_t kChunkRows = 20000;
constexpr auto kChunkTime = std::chrono::milliseconds(150);

} // namespace

// What the worker hands the window: the header (first), rows, progress,
// and at the end the outcome.
struct BatchWindow::Chunk {
    std::optional<batch::Layout> layout;
    RowStore rows;
    double progress = 0; // 0…1 of the file's bytes
    bool last = false;
    batch::HeaderProblem header = batch::HeaderProblem::None;
    QString problem; // the file could not be read (on)
    int generation = 0;
};

BatchWindow::BatchWindow(QWidget &screenWindow, const Target &target, const QStringList &paths)
    : QWidget(&screenWindow, Qt::Window), target_(target), path_(paths.value(0)), paths_(paths),
      several_(paths.size() > 1 || QFileInfo(paths.value(0)).isDir())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("批量计算 — %1 — %2").arg(TargetName(target), SourceName()));
    resize(960, 600);

    model_ = new BatchModel(target.row, this);
    view_ = new QTableView(this);
    view_->setModel(model_);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setAlternatingRowColors(false);
    view_->setWordWrap(false);
    // Fixed row heights keep a hundred thousand rows smooth to scroll.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setResizeContentsPrecision(200);
    view_->setAccessibleName(QStringLiteral("批量计算结果表"));

    fileLine_ = new QLabel(this);
    fileLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summaryLine_ = new QLabel(this);
    summaryLine_->setWordWrap(true);
    summaryLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summaryLine_->setAccessibleName(QStringLiteral("汇总"));
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(240);

    exportButton_ = new QPushButton(QStringLiteral("导出 CSV…"), this);
    exportButton_->setShortcut(QKeySequence::Save);
    exportButton_->setToolTip(QStringLiteral("把表中的所有行写成 CSV 文件（Ctrl+S）"));
    connect(exportButton_, &QPushButton::clicked, this, &BatchWindow::ExportWithDialog);
    auto *copyButton = new QPushButton(QStringLiteral("复制"), this);
    copyButton->setToolTip(QStringLiteral("把选中的单元格以制表符分隔复制，可粘贴到电子表格（Ctrl+C）"));
    connect(copyButton, &QPushButton::clicked, this, &BatchWindow::CopySelection);
    diagramButton_ = new QPushButton(QStringLiteral("色品图…"), this);
    diagramButton_->setShortcut(Qt::Key_F2);
    diagramButton_->setToolTip(QStringLiteral("在色品图上画出所有已计算的行，选中的行突出显示（F2）"));
    connect(diagramButton_, &QPushButton::clicked, this, &BatchWindow::ShowDiagram);
    binsButton_ = new QPushButton(QStringLiteral("分档…"), this);
    binsButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    binsButton_->setToolTip(QStringLiteral(
        "读入分档文件（每行：名称, x1, y1, x2, y2, …），把各行分入分档并列出良率（Ctrl+B）"));
    connect(binsButton_, &QPushButton::clicked, this, &BatchWindow::LoadBinsWithDialog);

    auto *copy = new QAction(QStringLiteral("复制"), view_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &BatchWindow::CopySelection);
    view_->addAction(copy);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *exportAction = new QAction(QStringLiteral("导出 CSV…"), view_);
    connect(exportAction, &QAction::triggered, this, &BatchWindow::ExportWithDialog);
    view_->addAction(exportAction);
    auto *diagramAction = new QAction(QStringLiteral("色品图…"), view_);
    connect(diagramAction, &QAction::triggered, this, &BatchWindow::ShowDiagram);
    view_->addAction(diagramAction);
    auto *binsAction = new QAction(QStringLiteral("分档…"), view_);
    connect(binsAction, &QAction::triggered, this, &BatchWindow::LoadBinsWithDialog);
    view_->addAction(binsAction);

    // An open diagram rings the rows selected here as the selection changes.
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        diagram::SelectBatchRows(*this, SelectedRows());
        UpdatePane();
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &BatchWindow::UpdatePane);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &BatchWindow::RowsArrived);

    // The spectra of a file of spectra, under the table.
    pane_ = new SpectrumPane(this);
    pane_->hide();
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->addWidget(view_);
    splitter_->addWidget(pane_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);
    splitter_->setChildrenCollapsible(false);

    yieldTable_ = new YieldTable(this);
    yieldTable_->setMaximumHeight(200);
    yieldTable_->setMinimumWidth(280);
    yieldTable_->hide();
    connect(yieldTable_, &QTableWidget::cellClicked, this, [this](int line) {
        const std::vector<int> rows = yieldTable_->RowsOf(line, model_->rows());
        if (rows.empty())
            view_->clearSelection();
        else
            SelectPicked(rows, false);
    });
    binsLine_ = new QLabel(this);
    binsLine_->setWordWrap(true);
    binsLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    binsLine_->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(fileLine_, 1);
    top->addWidget(progress_);
    top->addWidget(exportButton_);
    top->addWidget(copyButton);
    top->addWidget(diagramButton_);
    top->addWidget(binsButton_);
    auto *summaries = new QVBoxLayout;
    summaries->addWidget(summaryLine_);
    summaries->addWidget(binsLine_);
    summaries->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(summaries, 1);
    bottom->addWidget(yieldTable_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter_, 1);
    layout->addLayout(bottom);

    batch::ReadOptions options;
    options.row = target.row;
    Load(options);

    // "生成报告…": the selected rows as a report, the file read again (report/report_dialog.h).
    auto *reportAction = new QAction(QStringLiteral("生成报告…"), view_);
    reportAction->setShortcut(QKeySequence::Print);
    reportAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(reportAction, &QAction::triggered, this, [this] {
        std::vector<std::uint64_t> rows;
        for (const int row : SelectedRows())
            rows.push_back(std::uint64_t(row));
        report::ReportWithDialog(*this, paths_, options_, std::move(rows));
    });
    view_->addAction(reportAction);
}

void BatchWindow::RowsArrived()
{
    const RowStore &rows = model_->rows();
    if (rows.anySpectrum() && pane_->isHidden()) {
        pane_->show();
        // The pane shows the current row's figures: the first, to begin with.
        if (!view_->currentIndex().isValid())
            view_->selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
        UpdatePane();
    }
    if (model_->bins())
        yieldTable_->Count(rows, model_->bins().get());
}

void BatchWindow::UpdatePane()
{
    if (pane_->isHidden())
        return;
    const QModelIndex current = view_->currentIndex();
    pane_->ShowRows(model_->rows(), SelectedRows(), current.isValid() ? current.row() : -1);
}

diagram::SceneBins BatchWindow::BinsWithCounts() const
{
    diagram::SceneBins bins;
    bins.set = model_->bins();
    if (!bins.set)
        return bins;
    bins.counts.assign(bins.set->size(), 0);
    const RowStore &rows = model_->rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int bin = rows.bin(i);
        if (bin >= 0 && std::size_t(bin) < bins.counts.size())
            ++bins.counts[std::size_t(bin)];
    }
    return bins;
}

QString BatchWindow::LoadBins(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    // Not blocking on a FIFO: only an ordinary file is read.
    const int fd = platform::OpenToRead(path.toStdString(), true);
    if (fd < 0)
        return QStringLiteral("无法打开分档文件 “%1”：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (platform::PlainFileSize(fd) < 0) {
        platform::Close(fd);
        return QStringLiteral("“%1” 不是普通文件，不能作分档文件。").arg(path);
    }
    std::shared_ptr<const colorimetry::BinSet> bins;
    try {
        batch::BinFile read = batch::ReadBinFile(fd);
        bins = std::make_shared<const colorimetry::BinSet>(std::move(read.bins));
    } catch (const batch::BinFileError &error) {
        platform::Close(fd);
        return QStringLiteral("分档文件 “%1” 有误，没有采用（表中的行不变）：\n%2")
            .arg(name, QString::fromUtf8(error.what()));
    } catch (const batch::ReadFailure &failure) {
        platform::Close(fd);
        return QStringLiteral("无法读取分档文件 “%1”：%2").arg(path, QString::fromLocal8Bit(failure.what()));
    }
    platform::Close(fd);

    options_.bins = bins; // a reading again sorts its rows into them as well
    model_->SetBins(bins);
    view_->resizeColumnsToContents();
    yieldTable_->Count(model_->rows(), bins.get());
    yieldTable_->show();
    binsLine_->setText(QStringLiteral("分档：%1，%2 个分档").arg(name).arg(bins->size()));
    binsLine_->show();
    // The summary counts the rows in the table again, into these bins (it
    // also names the bins that overlap); rows still to come are added to it.
    summary_ = std::make_unique<batch::Summary>(target_.row);
    summary_->SetBins(bins);
    const RowStore &rows = model_->rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        summary_->Add(rows.rating(i), rows.line(i));
    summary_->SetReading(readingLayout_);
    summaryLine_->setText(QString::fromStdString(summary_->Line()));
    diagram::SetBatchBins(*this, BinsWithCounts());
    return {};
}

void BatchWindow::LoadBinsWithDialog()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("分档：选择分档文件"), QFileInfo(path_).absolutePath(),
        QStringLiteral("分档文件 (*.csv *.txt *.tsv);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    const QString problem = LoadBins(path);
    if (!problem.isEmpty())
        QMessageBox::warning(this, QStringLiteral("分档"), problem);
}

BatchWindow::~BatchWindow()
{
    StopWorker();
    // The table goes after this object: its selection must not reach it.
    view_->selectionModel()->disconnect(this);
}

void BatchWindow::StopWorker()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    cancel_ = false;
}

void BatchWindow::Load(const batch::ReadOptions &options)
{
    StopWorker();
    options_ = options;
    done_ = false;
    columnsSized_ = false;
    summary_ = std::make_unique<batch::Summary>(target_.row);
    if (options.bins)
        summary_->SetBins(options.bins);
    progress_->setValue(0);
    progress_->show();
    exportButton_->setEnabled(false);
    fileLine_->setText(QStringLiteral("正在读取 %1 …").arg(SourceName()));
    summaryLine_->clear();

    const std::string path = path_.toStdString();
    std::vector<std::string> paths;
    for (const QString &each : paths_)
        paths.push_back(each.toStdString());
    ++generation_;
    layoutSet_ = false;
    model_->SetLayout({});
    worker_ = std::thread([this, path, paths, several = several_, options, generation = generation_] {
        auto post = [this, generation](std::shared_ptr<Chunk> chunk) {
            chunk->generation = generation;
            QMetaObject::invokeMethod(
                this, [this, chunk] { Receive(chunk); }, Qt::QueuedConnection);
        };
        auto chunk = std::make_shared<Chunk>();
        // Rated on every core; the progress is that of the rows rated and
        // handed on, not of the text read ahead.
        auto load = [&](batch::RowSource &source, double size) {
            batch::RowPipeline pipeline(source, batch::RowPipeline::MachineThreads());
            auto since = std::chrono::steady_clock::now();
            pipeline.Run([&](const batch::RowBlock &block) {
                for (std::size_t i = 0; i < block.size(); ++i)
                    chunk->rows.Add(block.row(i));
                if (chunk->rows.size() >= kChunkRows || std::chrono::steady_clock::now() - since > kChunkTime) {
                    chunk->progress = std::min(1.0, double(block.bytesRead()) / size);
                    chunk->layout = source.layout();
                    post(std::exchange(chunk, std::make_shared<Chunk>()));
                    since = std::chrono::steady_clock::now();
                }
                return !cancel_;
            });
            chunk->layout = source.layout();
        };
        if (several) {
            try {
                batch::FileSequence files(paths, options);
                files.SetThreads(batch::RowPipeline::MachineThreads());
                files.Start();
                chunk->layout = files.layout();
                load(files, std::max<double>(1, double(files.totalBytes())));
            } catch (const batch::ReadFailure &failure) {
                chunk->problem = QString::fromLocal8Bit(failure.what());
            }
            chunk->progress = 1;
            chunk->last = true;
            post(chunk);
            return;
        }
        const int fd = platform::OpenToRead(path);
        if (fd < 0) {
            chunk->problem = QString::fromLocal8Bit(std::strerror(errno));
            chunk->last = true;
            post(chunk);
            return;
        }
        const std::int64_t bytes = platform::PlainFileSize(fd);
        const double size = bytes > 0 ? double(bytes) : 1;
        try {
            batch::BatchReader reader(fd);
            reader.SetSourceName(batch::StemOf(path));
            chunk->header = reader.Start(options);
            chunk->layout = reader.layout();
            if (chunk->header != batch::HeaderProblem::None) {
                chunk->last = true;
                post(chunk);
                platform::Close(fd);
                return;
            }
            load(reader, size);
        } catch (const batch::ReadFailure &failure) {
            chunk->problem = QString::fromLocal8Bit(failure.what());
        }
        platform::Close(fd);
        chunk->progress = 1;
        chunk->last = true;
        post(chunk);
    });
}

void BatchWindow::Receive(std::shared_ptr<Chunk> chunk)
{
    if (chunk->generation != generation_)
        return; // from a reading given up for a new one
    if (chunk->layout && !layoutSet_) {
        // The first chunk brings the header.
        layoutSet_ = true;
        if (chunk->header == batch::HeaderProblem::None)
            model_->SetLayout(*chunk->layout);
        else
            headerLayout_ = *chunk->layout;
    }
    for (std::size_t i = 0; i < chunk->rows.size(); ++i)
        summary_->Add(chunk->rows.rating(i), chunk->rows.line(i));
    if (chunk->layout && chunk->header == batch::HeaderProblem::None) {
        summary_->SetReading(*chunk->layout);
        readingLayout_ = *chunk->layout;
    }
    model_->AppendRows(std::move(chunk->rows));
    if (!columnsSized_ && model_->rowCount() > 0) {
        view_->resizeColumnsToContents();
        columnsSized_ = true;
    }
    progress_->setValue(int(chunk->progress * 1000));
    summaryLine_->setText(QString::fromStdString(summary_->Line()));
    if (chunk->layout) {
        const batch::Layout &layout = *chunk->layout;
        if (!layout.header.empty() && chunk->header == batch::HeaderProblem::None)
            fileLine_->setText(
                QStringLiteral("%1 · %2 · %3 · %4%5")
                    .arg(SourceName(), FromUtf8(batch::EncodingName(layout.encoding)),
                         DelimiterName(layout.delimiter), PointsText(layout),
                         layout.decimalComma ? QStringLiteral(" · 小数逗号") : QString()));
    }
    if (chunk->last)
        Finish(chunk->problem, chunk->header);
}

void BatchWindow::Finish(const QString &problem, batch::HeaderProblem header)
{
    done_ = true;
    if (model_->bins())
        diagram::SetBatchBins(*this, BinsWithCounts());
    progress_->hide();
    exportButton_->setEnabled(model_->rowCount() > 0 || !model_->layout().header.empty());
    if (worker_.joinable())
        worker_.join();
    const QString name = SourceName();
    if (!problem.isEmpty()) {
        // Whatever was read stays in the table.
        const QString text = model_->rowCount() == 0
                                 ? QStringLiteral("无法读取文件 “%1”：%2").arg(path_, problem)
                                 : QStringLiteral("读取文件 “%1” 时出错：%2\n已读到的 %3 行留在表中。")
                                       .arg(path_, problem)
                                       .arg(model_->rowCount());
        summaryLine_->setText(summaryLine_->text() + QStringLiteral("（读取中断）"));
        emit loaded();
        QMessageBox::warning(this, QStringLiteral("批量计算"), text);
        if (model_->rowCount() == 0)
            close();
        return;
    }
    if (header == batch::HeaderProblem::NoXColumn || header == batch::HeaderProblem::NoYColumn
        || header == batch::HeaderProblem::SameColumn) {
        emit loaded();
        AskForColumns();
        return;
    }
    if (header != batch::HeaderProblem::None) {
        emit loaded();
        QMessageBox::warning(this, QStringLiteral("批量计算"),
                             QStringLiteral("“%1”：%2").arg(name, FromUtf8(batch::HeaderProblemText(
                                                                   header, headerLayout_, options_))));
        close();
        return;
    }
    emit loaded();
}

void BatchWindow::AskForColumns()
{
    // The header was read, but the coordinates' columns could not be found
    // by their names: the user picks them.
    const batch::Layout &layout = headerLayout_;
    QStringList names;
    for (std::size_t i = 0; i < layout.header.size(); ++i)
        names << QStringLiteral("第 %1 列：%2").arg(i + 1).arg(FromUtf8(layout.header[i]));
    if (names.size() < 2) {
        QMessageBox::warning(this, QStringLiteral("批量计算"),
                             QStringLiteral("“%1” 的表头只有一列，找不到色坐标 x 和 y。")
                                 .arg(SourceName()));
        close();
        return;
    }
    const QString intro = QStringLiteral("在 “%1” 的表头里没有认出色坐标的列。\n")
                              .arg(SourceName());
    bool ok = false;
    const QString x = QInputDialog::getItem(this, QStringLiteral("选择色坐标的列"),
                                            intro + QStringLiteral("色坐标 x 在哪一列？"), names,
                                            0, false, &ok);
    if (!ok) {
        close();
        return;
    }
    const QString y = QInputDialog::getItem(this, QStringLiteral("选择色坐标的列"),
                                            intro + QStringLiteral("色坐标 y 在哪一列？"), names,
                                            std::min<int>(names.indexOf(x) + 1, names.size() - 1),
                                            false, &ok);
    if (!ok) {
        close();
        return;
    }
    batch::ReadOptions options = options_;
    options.xColumn = std::to_string(names.indexOf(x) + 1);
    options.yColumn = std::to_string(names.indexOf(y) + 1);
    Load(options);
}

QString BatchWindow::summaryText() const
{
    return summaryLine_->text();
}

QString BatchWindow::ExportCsv(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("无法写文件 “%1”：%2").arg(path, file.errorString());
    // The command line's writer, with a comma between cells.
    batch::Layout layout = model_->layout();
    layout.delimiter = ',';
    const int fd = file.handle();
    try {
        batch::OutputBuffer out(fd);
        batch::RowWriter writer(out, batch::Format::Csv, layout, model_->columns());
        writer.WriteHeader();
        const RowStore &rows = model_->rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            writer.Write(RowStore::Cells{rows, i}, false, rows.rating(i));
        out.Flush();
    } catch (const batch::WriteFailure &failure) {
        file.cancelWriting();
        return QStringLiteral("无法写文件 “%1”：%2").arg(path, QString::fromLocal8Bit(failure.what()));
    }
    if (!file.commit())
        return QStringLiteral("无法写文件 “%1”：%2").arg(path, file.errorString());
    return {};
}

void BatchWindow::ExportWithDialog()
{
    const QFileInfo input(path_);
    const QString suggested = input.dir().filePath(input.completeBaseName() + QStringLiteral("-rated.csv"));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出 CSV"), suggested,
                                                      QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const QString problem = ExportCsv(path);
    if (!problem.isEmpty())
        QMessageBox::warning(this, QStringLiteral("导出 CSV"), problem);
}

QString BatchWindow::SelectionText() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    std::set<int> rows, columns;
    std::set<std::pair<int, int>> cells;
    for (const QModelIndex &index : selected) {
        rows.insert(index.row());
        columns.insert(index.column());
        cells.insert({index.row(), index.column()});
    }
    // A cell with a tab, line end or quote goes in quotes, as spreadsheets
    // read it.
    auto quoted = [](QString text) {
        if (!text.contains('\t') && !text.contains('\n') && !text.contains('\r') && !text.contains('"'))
            return text;
        return '"' + text.replace('"', QStringLiteral("\"\"")) + '"';
    };
    QString text;
    for (const int row : rows) {
        bool first = true;
        for (const int column : columns) {
            if (!first)
                text += '\t';
            first = false;
            if (cells.contains({row, column}))
                text += quoted(model_->CellText(row, column));
        }
        text += '\n';
    }
    return text;
}

void BatchWindow::CopySelection() const
{
    const QString text = SelectionText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

std::vector<int> BatchWindow::SelectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : view_->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void BatchWindow::ShowDiagram()
{
    // One point per row of the table, so that the diagram's indexes are the
    // table's rows; a failed row has no dot.
    const RowStore &rows = model_->rows();
    std::vector<diagram::BatchPoint> points;
    points.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const batch::Rating &rating = rows.rating(i);
        if (rating.rated)
            points.push_back({rating.x, rating.y, target_.row ? rating.steps : -1,
                              std::int64_t(rows.line(i))});
        else
            points.push_back({NAN, NAN, -1, std::int64_t(rows.line(i))});
    }
    diagram::ShowBatchDiagram(*this, target_.row, points, SelectedRows(),
                              [this](std::span<const int> picked, bool toggle) { SelectPicked(picked, toggle); },
                              BinsWithCounts());
}

void BatchWindow::SelectPicked(std::span<const int> rows, bool toggle)
{
    // Runs of neighbouring rows as one range each: a rectangle of a
    // hundred thousand dots selects quickly.
    QItemSelection selection;
    const int last = model_->columnCount() - 1;
    int first = -1, previous = -1;
    auto close = [&] {
        if (first >= 0)
            selection.select(model_->index(first, 0), model_->index(previous, last));
    };
    for (const int row : rows) {
        if (row < 0 || row >= model_->rowCount())
            continue; // the diagram of an earlier reading
        if (row != previous + 1 || first < 0) {
            close();
            first = row;
        }
        previous = row;
    }
    close();
    QItemSelectionModel &model = *view_->selectionModel();
    model.select(selection, (toggle ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect)
                                | QItemSelectionModel::Rows);
    if (first >= 0) {
        const QModelIndex shown = model_->index(selection.front().top(), 0);
        model.setCurrentIndex(shown, QItemSelectionModel::NoUpdate);
        view_->scrollTo(shown);
    }
}

void OpenBatchWindow(QWidget &screenWindow, const Target &target, const QStringList &paths)
{
    QStringList files = paths;
    if (files.isEmpty()) {
        files = QFileDialog::getOpenFileNames(
            &screenWindow, QStringLiteral("批量计算：选择测量文件（可选多个）"), QString(),
            QStringLiteral("测量数据 (*.csv *.txt *.tsv *.dat *.spdx *.xml *.cgats *.cgt *.it8 *.ti3 *.sp);;"
                           "所有文件 (*)"));
        if (files.isEmpty())
            return;
    }
    auto *window = new BatchWindow(screenWindow, target, files);
    window->show();
    window->raise();
    window->activateWindow();
}

void OpenBatchFolder(QWidget &screenWindow, const Target &target)
{
    const QString folder = QFileDialog::getExistingDirectory(&screenWindow, QStringLiteral("批量计算：选择文件夹"));
    if (!folder.isEmpty())
        OpenBatchWindow(screenWindow, target, {folder});
}

QString BatchWindow::SourceName() const
{
    const QString first = QFileInfo(path_).fileName();
    return paths_.size() > 1 ? QStringLiteral("%1 等 %2 项").arg(first).arg(paths_.size()) : first;
}

} // namespace batchui

#include "report_dialog.h"

#include "report_file.h"
#include "row_pipeline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

#include <algorithm>

namespace report {

void ReportWithDialog(QWidget &parent, const QStringList &inPaths, const batch::ReadOptions &options,
                      std::vector<std::uint64_t> rows)
{
    const QString title = QStringLiteral("生成报告");
    if (rows.empty()) {
        QMessageBox::information(&parent, title, QStringLiteral("请先在表中选中要写进报告的行。"));
        return;
    }
    const QFileInfo input(inPaths.value(0));
    const QString suggested = input.dir().filePath(input.completeBaseName() + QStringLiteral("-report.pdf"));
    const QString path = QFileDialog::getSaveFileName(
        &parent, title, suggested, QStringLiteral("PDF 文件 (*.pdf);;PNG 图片，每页一个 (*.png)"));
    if (path.isEmpty())
        return;

    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const std::size_t count = rows.size();
    FileReport request;
    request.reportPath = path;
    request.inPath = inPaths.value(0);
    request.moreInPaths = inPaths.mid(1);
    request.read = options;
    request.rows = std::move(rows);
    request.program = QCoreApplication::applicationName();
    request.jobs = batch::RowPipeline::MachineThreads();
    QProgressDialog progress(QStringLiteral("正在写报告（%1 行）…").arg(count), QStringLiteral("取消"), 0, 0, &parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    request.progress = [&progress](int done, int count) {
        progress.setMaximum(count);
        progress.setValue(done); // a modal dialog handles the events here
        return !progress.wasCanceled();
    };
    QString note;
    const QString problem = WriteFileReport(request, &note);
    const bool stopped = progress.wasCanceled();
    progress.reset();
    if (!problem.isEmpty() && !stopped)
        QMessageBox::warning(&parent, title, problem);
    else if (problem.isEmpty() && !note.isEmpty())
        QMessageBox::information(&parent, title, note);
}

} // namespace report

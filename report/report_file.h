#pragma once
// Writing a report of a measurement file's rows: the tray page first (when
// more than one row is reported), then one LED page per row, in the file's
// order. A PDF (A4, vector) is written page by page as the rows are read;
// a PNG name gives one PNG per page at 192 dpi, numbered: "r.png" gives
// r-0001.png (the tray page), r-0002.png, ….
//
// The PDF and every page are written as OUT is (batch/output_file.h): to a
// temporary file beside it, renamed over it when whole; a failed or
// interrupted report never leaves a part of a page under a page's name.
// No page may be the same file as the input or any other output, by any
// path (symlinks, dangling or not, and hard links): that is refused before
// a page is written. Pages left over from an earlier, longer report are
// named in a note, never removed (they may be the user's).
//
// The file is read twice: first for the tray page (counts, histograms, a
// sample of the points, the failed rows), then for the pages. Memory stays
// flat whatever the number of rows; standard input cannot be read twice.

#include "led_report.h"
#include "output_file.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace report {

struct FileReport {
    QString reportPath;          // .pdf or .png
    QString inPath;              // the measurement file (or a folder of them)
    QStringList moreInPaths;     // more files read after it as one table
    batch::ReadOptions read;
    ReportContext context;       // source, target, bins, date (filled when empty)
    QString program = QStringLiteral("ambrix");
    // Only these rows, by their place among the file's rows (from 0,
    // ascending); nullopt: every row.
    std::optional<std::vector<std::uint64_t>> rows;
    // Files besides the input that the report must not overwrite (OUT, the
    // plot).
    std::vector<batch::Identity> others;
    // Told after each page written, with the pages so far and in all;
    // returning false stops the report (its file is then not written).
    std::function<bool(int done, int count)> progress;
    // Threads that rate the rows of each pass (1: as they are read).
    int jobs = 1;
};

// Why the report cannot be written to the path: not .pdf or .png, not a
// plain file, or the same file as one of the others (the input, the
// output) by any path; for PNG pages, a file named like a page of it (of
// any number) that is one of the others. Empty when it can.
QString ReportPathProblem(const QString &path, const std::vector<batch::Identity> &others = {});

// The name of page `number` (from 1) of a PNG report of `count` pages.
QString PngPagePath(const QString &path, int number, int count);

// Writes the report. Returns the message for the user (Chinese), empty on
// success; note, when given, gets what the user should know beside it
// (pages of an earlier report left in the folder). A failed or stopped
// PDF leaves an existing file as it was.
QString WriteFileReport(const FileReport &report, QString *note = nullptr);

} // namespace report

#pragma once
// One batch run of the command line: read IN, rate every row, write OUT
// (a temporary file beside it, renamed at the end, so that an existing OUT
// is never left half-written), and print the summary on standard error.
//
// OUT may be a symlink: the file it leads to gets the new content the same
// way, and the link stays. A character device, FIFO or socket is written
// directly, never replaced; a folder or a block device is refused. No two of
// IN, OUT and the plot may be the same file, by any path (standard input
// and output included).

#include "batch_reader.h"
#include "row_writer.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace batch {

struct Job {
    std::string program = "ambrix"; // names the messages
    std::string version;            // with program, a TM-27 file's DocumentCreator
    std::string inPath = "-";       // "-": standard input; a folder: the files in it
    // More files or folders, read after inPath as one table (file_sequence.h).
    std::vector<std::string> moreInPaths;
    std::string outPath = "-";      // "-": standard output
    Format format = Format::Csv;
    ReadOptions read;
    std::optional<int> maxSteps;
    // Rows below these (or without a colour rendering) count as short:
    // exit status 1, as beyond maxSteps.
    std::optional<double> minRa;
    std::optional<double> minR9;
    // Written by the caller after the run (--plot): refused when it is IN
    // or OUT.
    std::string plotPath;
    // Called with each rated row after it is written (the plot collects).
    std::function<void(const RatedRow &)> onRow;
    // Threads that rate the rows; 1 rates them on this thread as they are
    // read. The output is the same byte for byte.
    int jobs = 1;
    // A folder to write each rated spectral row into as a TM-27 document
    // (spdx_export.h); empty: none.
    std::string exportSpdx;

    // Every input, in order.
    std::vector<std::string> Inputs() const;
    // Whether the inputs are read as several files (more than one, or a folder).
    bool Several() const;
};

// Exit statuses.
inline constexpr int kAllRated = 0;
inline constexpr int kSomeRowFailed = 1; // or beyond the limit
inline constexpr int kCannotRun = 2;     // usage, unreadable input, unwritable output

// Runs the job and returns its exit status. Messages and the summary go to err.
int RunJob(const Job &job, std::FILE *err);

} // namespace batch

#pragma once
// One batch run of the command line: read IN, rate every row, write OUT
// (a temporary file beside it, renamed at the end, so that an existing OUT
// is never left half-written), and print the summary on standard error.

#include "batch_reader.h"
#include "row_writer.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace batch {

struct Job {
    std::string program = "ambrix"; // names the messages
    std::string inPath = "-";       // "-": standard input
    std::string outPath = "-";      // "-": standard output
    Format format = Format::Csv;
    ReadOptions read;
    std::optional<int> maxSteps;
    // Called with each rated row after it is written (the plot collects).
    std::function<void(const RatedRow &)> onRow;
};

// Exit statuses.
inline constexpr int kAllRated = 0;
inline constexpr int kSomeRowFailed = 1; // or beyond the limit
inline constexpr int kCannotRun = 2;     // usage, unreadable input, unwritable output

// Runs the job and returns its exit status. Messages and the summary go to err.
int RunJob(const Job &job, std::FILE *err);

} // namespace batch

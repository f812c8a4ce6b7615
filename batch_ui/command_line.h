#pragma once
// The command line of both programs: rate a measurement file and write the
// rated rows (with a plot and a report on request), --help and --version.

#include <QString>
#include <optional>

namespace batchui {

// Runs the command line when it asks for batch work, --help or --version, and
// returns the exit status; returns std::nullopt when the program should start its
// screens as usual. program is "ambrix" or "cendrel".
std::optional<int> RunCommandLine(int argc, char **argv, const QString &program);

} // namespace batchui

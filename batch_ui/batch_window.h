#pragma once
// The batch work of both programs as the user meets it: the command line
// (rate a measurement file and write the rated rows) and the batch window
// (the rated rows of a file as a table, bound to a screen).

#include "ellipse.h"

#include <QString>
#include <optional>

class QWidget;

namespace batchui {

// What a batch window rates its rows for: a row of the ellipse table (ambrix's
// calculator screens), or the CCT (cendrel's converter), when row is null.
struct Target {
    const tolerance::ToleranceEllipse *row = nullptr;
};

// Opens a batch window that belongs to the screen window (it goes when the screen
// is unloaded). With a path, loads that file; with none, asks for one with a file
// dialog (cancel: nothing happens).
void OpenBatchWindow(QWidget &screenWindow, const Target &target, const QString &path = {});

// Runs the command line when it asks for batch work, --help or --version, and
// returns the exit status; returns std::nullopt when the program should start its
// screens as usual. program is "ambrix" or "cendrel".
std::optional<int> RunCommandLine(int argc, char **argv, const QString &program);

} // namespace batchui

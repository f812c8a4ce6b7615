#pragma once
// The batch window of both programs: the rated rows of a measurement file as
// a table, bound to a screen.

#include "ellipse.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace batchui {

// What a batch window rates its rows for: a row of the ellipse table (ambrix's
// calculator screens), or the CCT (cendrel's converter), when row is null.
struct Target {
    const tolerance::ToleranceEllipse *row = nullptr;
};

// Opens a batch window that belongs to the screen window (it goes when the screen
// is unloaded). With paths, loads those files (several, or a folder's, read as
// one table with the file's name first); with none, asks for them with a file
// dialog (cancel: nothing happens).
void OpenBatchWindow(QWidget &screenWindow, const Target &target, const QStringList &paths = {});

// The same for the measurement files of a folder the user picks.
void OpenBatchFolder(QWidget &screenWindow, const Target &target);

} // namespace batchui

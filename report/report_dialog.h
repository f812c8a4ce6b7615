#pragma once
// "生成报告…" of the batch window: asks where to write the report of the
// selected rows (PDF, or PNG pages), writes it with a progress dialog that
// can stop it, and tells the user how it went.

#include "batch_reader.h"

#include <QStringList>

#include <QString>

#include <cstdint>
#include <vector>

class QWidget;

namespace report {

// These rows of the file, by their place among its rows (from 0), read
// again with the window's options. No rows: tells the user to select some.
void ReportWithDialog(QWidget &parent, const QStringList &inPaths, const batch::ReadOptions &options,
                      std::vector<std::uint64_t> rows);

} // namespace report

#pragma once
// The yield of a tray beside the batch window's summary: the count and share
// of rows in each of the user's bins and in none, and in each ANSI
// quadrangle and in none. A click on a line selects its rows in the table.

#include "row_store.h"

#include <QTableWidget>

#include <vector>

namespace batchui {

class YieldTable : public QTableWidget {
    Q_OBJECT

public:
    explicit YieldTable(QWidget *parent = nullptr);

    // Counts the rows again; bins may be null (the ANSI quadrangles only).
    void Count(const RowStore &rows, const colorimetry::BinSet *bins);

    // The rows (ascending) that a line of the table counts.
    std::vector<int> RowsOf(int line, const RowStore &rows) const;

    // The count on a line.
    std::uint64_t CountAt(int line) const;

private:
    // What a line counts: the user's bin (or none), or an ANSI quadrangle
    // (or none); none is colorimetry::kNoBin.
    struct Line {
        bool ansi = false;
        int index = 0;
    };
    std::vector<Line> lines_;
    std::vector<std::uint64_t> counts_;
};

} // namespace batchui

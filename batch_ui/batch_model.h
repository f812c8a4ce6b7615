#pragma once
// The table of a batch window: the file's columns as they were, the columns
// the rating adds, and any cells of long rows beyond the header, as the
// command line writes them. Failed rows are marked and carry their message
// as a tooltip. With the user's bins loaded, the bin column names each row's
// bin.

#include "batch_reader.h"
#include "row_store.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>

namespace batchui {

class BatchModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit BatchModel(batch::Row row, QObject *parent = nullptr);

    void SetLayout(const batch::Layout &layout);
    void AppendRows(RowStore &&rows);

    // The user's bins the rows are sorted into (null: none): sorts every row
    // again, so that Rating::bin (and ansi) and the bin column agree.
    void SetBins(std::shared_ptr<const colorimetry::BinSet> bins);
    const std::shared_ptr<const colorimetry::BinSet> &bins() const { return bins_; }

    const batch::Layout &layout() const { return layout_; }
    const RowStore &rows() const { return rows_; }
    batch::Row ratedFor() const { return row_; }
    // The columns the rating adds, as the reader found them for the file,
    // with the bins loaded since.
    const batch::OutputColumns &columns() const { return columns_; }

    // The text of a cell as the table shows it.
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int inputColumns() const { return int(layout_.header.size()); }
    int outputColumns() const { return int(batch::OutputNames(columns_).size()); }
    const QStringList &OutputTexts(int row) const;
    void SortIntoBins(std::size_t first, std::size_t last);

    batch::Row row_;
    batch::Layout layout_;
    RowStore rows_;
    int extra_ = 0; // columns for cells of long rows beyond the header
    std::shared_ptr<const colorimetry::BinSet> bins_;
    batch::OutputColumns columns_;
    // The output cells of the row last asked for: a row is drawn cell by cell.
    mutable int cachedRow_ = -1;
    mutable QStringList cachedCells_;
};

} // namespace batchui

#pragma once
// The table of a batch window: the file's columns as they were, the columns
// the rating adds, and any cells of long rows beyond the header, as the
// command line writes them. Failed rows are marked and carry their message
// as a tooltip.

#include "batch_reader.h"
#include "row_store.h"

#include <QAbstractTableModel>

namespace batchui {

class BatchModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit BatchModel(batch::Row row, QObject *parent = nullptr);

    void SetLayout(const batch::Layout &layout);
    void AppendRows(RowStore &&rows);

    const batch::Layout &layout() const { return layout_; }
    const RowStore &rows() const { return rows_; }
    batch::Row ratedFor() const { return row_; }

    // The text of a cell as the table shows it.
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int inputColumns() const { return int(layout_.header.size()); }
    int outputColumns() const { return int(batch::OutputNames(row_).size()); }

    batch::Row row_;
    batch::Layout layout_;
    RowStore rows_;
    int extra_ = 0; // columns for cells of long rows beyond the header
};

} // namespace batchui

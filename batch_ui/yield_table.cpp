#include "yield_table.h"

#include "ansi_quadrangles.h"

#include <QHeaderView>

namespace batchui {

YieldTable::YieldTable(QWidget *parent) : QTableWidget(0, 3, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("分档"), QStringLiteral("数量"), QStringLiteral("占比")});
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(QStringLiteral("分档良率"));
    setToolTip(QStringLiteral("每个分档和 ANSI 四边形中的行数与占比；点一行选中表中这些行；出错的行计入“不在…内”"));
}

void YieldTable::Count(const RowStore &rows, const colorimetry::BinSet *bins)
{
    const std::span<const colorimetry::AnsiQuadrangle> quadrangles = colorimetry::AnsiQuadrangles();
    lines_.clear();
    if (bins) {
        for (std::size_t i = 0; i < bins->size(); ++i)
            lines_.push_back({false, int(i)});
        lines_.push_back({false, colorimetry::kNoBin});
    }
    for (std::size_t q = 0; q < quadrangles.size(); ++q)
        lines_.push_back({true, int(q)});
    lines_.push_back({true, colorimetry::kNoBin});

    // One pass over the rows: counts per bin and quadrangle, none last. A
    // failed row has no point and is in none.
    std::vector<std::uint64_t> perBin((bins ? bins->size() : 0) + 1), perAnsi(quadrangles.size() + 1);
    const auto slot = [](int index, const std::vector<std::uint64_t> &per) {
        return index >= 0 && std::size_t(index) + 1 < per.size() ? std::size_t(index) : per.size() - 1;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ++perBin[slot(rows.bin(i), perBin)];
        ++perAnsi[slot(rows.ansi(i), perAnsi)];
    }
    const std::size_t total = rows.size();
    counts_.clear();
    setRowCount(int(lines_.size()));
    for (std::size_t l = 0; l < lines_.size(); ++l) {
        const Line line = lines_[l];
        QString name;
        std::uint64_t count = 0;
        if (!line.ansi) {
            name = line.index < 0 ? QStringLiteral("不在任何分档")
                                  : QString::fromStdString((*bins)[std::size_t(line.index)].name);
            count = perBin[slot(line.index, perBin)];
        } else {
            name = line.index < 0 ? QStringLiteral("不在 ANSI 四边形内")
                                  : QStringLiteral("ANSI %1K").arg(quadrangles[std::size_t(line.index)].nominalCct);
            count = perAnsi[slot(line.index, perAnsi)];
        }
        counts_.push_back(count);
        const QString share =
            total == 0 ? QString() : QString::number(100.0 * double(count) / double(total), 'f', 1) + '%';
        auto *nameItem = new QTableWidgetItem(name);
        if (line.index < 0)
            nameItem->setForeground(palette().color(QPalette::PlaceholderText));
        setItem(int(l), 0, nameItem);
        for (const auto &[column, text] : {std::pair{1, QString::number(count)}, std::pair{2, share}}) {
            auto *item = new QTableWidgetItem(text);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(int(l), column, item);
        }
    }
}

std::uint64_t YieldTable::CountAt(int line) const
{
    return line >= 0 && std::size_t(line) < counts_.size() ? counts_[std::size_t(line)] : 0;
}

std::vector<int> YieldTable::RowsOf(int line, const RowStore &rows) const
{
    std::vector<int> out;
    if (line < 0 || std::size_t(line) >= lines_.size())
        return out;
    const Line wanted = lines_[std::size_t(line)];
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if ((wanted.ansi ? rows.ansi(i) : rows.bin(i)) == wanted.index)
            out.push_back(int(i));
    }
    return out;
}

} // namespace batchui

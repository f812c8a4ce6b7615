#include "batch_model.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QStyle>

namespace batchui {

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

const QColor kFailedBackground(255, 226, 222);

} // namespace

BatchModel::BatchModel(batch::Row row, QObject *parent) : QAbstractTableModel(parent), row_(row) {}

void BatchModel::SetLayout(const batch::Layout &layout)
{
    beginResetModel();
    layout_ = layout;
    rows_ = RowStore();
    extra_ = 0;
    endResetModel();
}

void BatchModel::AppendRows(RowStore &&rows)
{
    if (rows.size() == 0)
        return;
    const int extra = std::max(extra_, int(rows.widestRow()) - inputColumns());
    if (extra > extra_) {
        const int first = inputColumns() + outputColumns() + extra_;
        beginInsertColumns({}, first, first + extra - extra_ - 1);
        extra_ = extra;
        endInsertColumns();
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    rows_.Append(std::move(rows));
    endInsertRows();
}

int BatchModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int BatchModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : inputColumns() + outputColumns() + extra_;
}

QString BatchModel::CellText(int row, int column) const
{
    const std::size_t r = std::size_t(row);
    if (column < inputColumns())
        return FromUtf8(rows_.cell(r, std::size_t(column)));
    column -= inputColumns();
    if (column < outputColumns())
        return FromUtf8(batch::OutputCells(row_, rows_.rating(r))[std::size_t(column)]);
    column -= outputColumns();
    return FromUtf8(rows_.cell(r, std::size_t(inputColumns() + column)));
}

QVariant BatchModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const batch::Rating &rating = rows_.rating(std::size_t(index.row()));
    const int output = index.column() - inputColumns();
    const bool number = output >= 0 && output < outputColumns() - 1;
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::ToolTipRole:
        if (!rating.rated)
            return FromUtf8(rating.error);
        if (number && !rating.exact.defined()) {
            const std::string_view name = batch::OutputNames(row_)[std::size_t(output)];
            if (name == "cct" ? row_ != nullptr : name == "cct_exact")
                return QString::fromStdString(colorimetry::CctStateText(rating.exact));
        }
        return {};
    case Qt::BackgroundRole:
        return rating.rated ? QVariant() : QVariant(kFailedBackground);
    case Qt::TextAlignmentRole:
        return number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default:
        return {};
    }
}

QVariant BatchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (section < 0 || std::size_t(section) >= rows_.size())
            return {};
        const batch::Rating &rating = rows_.rating(std::size_t(section));
        // Rows are named by their line in the file.
        if (role == Qt::DisplayRole)
            return QString::number(rows_.line(std::size_t(section)));
        if (role == Qt::DecorationRole && !rating.rated)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (role == Qt::ToolTipRole)
            return rating.rated ? QStringLiteral("文件第 %1 行").arg(rows_.line(std::size_t(section)))
                                : FromUtf8(rating.error);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (section < inputColumns()) {
        const QString name = FromUtf8(layout_.header[std::size_t(section)]);
        if (role == Qt::ToolTipRole) {
            if (std::size_t(section) == layout_.xColumn)
                return QStringLiteral("色坐标 x 从这一列读");
            if (std::size_t(section) == layout_.yColumn)
                return QStringLiteral("色坐标 y 从这一列读");
            return {};
        }
        return name;
    }
    const int output = section - inputColumns();
    if (output < outputColumns()) {
        const std::string_view name = batch::OutputNames(row_)[std::size_t(output)];
        if (role == Qt::DisplayRole)
            return FromUtf8(name);
        if (name == "steps")
            return QStringLiteral("色容差：与屏幕上的结果相同（程序的算法，整步）");
        if (name == "sdcm")
            return QStringLiteral("标准（IEC 60081）的 SDCM，带小数");
        if (name == "cct")
            return row_ ? QStringLiteral("精确色温（K），|Duv| > 0.05 或超出 1000–20000 K 时为空")
                        : QStringLiteral("色温：与屏幕上的结果相同（程序的算法）");
        if (name == "cct_exact")
            return QStringLiteral("精确色温（K），|Duv| > 0.05 或超出 1000–20000 K 时为空");
        if (name == "duv")
            return QStringLiteral("Duv：到普朗克轨迹的距离，轨迹以上为正");
        return QStringLiteral("屏幕会显示的出错信息；空表示已计算");
    }
    if (role == Qt::DisplayRole)
        return QStringLiteral("(第 %1 列)").arg(section - outputColumns() + 1);
    return QStringLiteral("表头以外多出的单元格");
}

} // namespace batchui

#include "batch_model.h"

#include "ansi_quadrangles.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QStyle>

#include <algorithm>

namespace batchui {

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

const QColor kFailedBackground(255, 226, 222);

// What the columns the rating adds mean, for their header's tooltip; the
// screens' columns have their own words below.
QString HeaderTip(std::string_view name)
{
    static const std::pair<std::string_view, const char *> kTips[] = {
        {"spectrum_x", "由光谱算出的色坐标 x（CIE 1931 2°）"},
        {"spectrum_y", "由光谱算出的色坐标 y（CIE 1931 2°）"},
        {"ra", "一般显色指数 Ra（CIE 13.3，R1–R8 的平均）"},
        {"peak_nm", "峰值波长（nm）"},
        {"fwhm_nm", "半高宽（nm）"},
        {"ler", "辐射光视效能（lm/W）"},
        {"rf", "TM-30 保真度指数 Rf"},
        {"rg", "TM-30 色域指数 Rg"},
        {"rcs_h1", "TM-30 第 1 色相区（红）的彩度变化 Rcs,h1（%）"},
        {"k_bv", "蓝光危害效能 K_B,v（mW/lm）：B(λ) 加权的辐射与光通量之比（IEC 62471 / IEC TR 62778）"},
        {"ev_lx", "照度 Ev（lx），由光谱辐照度算出（CIE S 026 的 K_m = 683.002 lm/W）"},
        {"mel_edi_lx", "视黑素等效日光照度 melanopic EDI（lx，CIE S 026）：视黑素辐照度除以 D65 的 K_mel,v"},
        {"e_b", "蓝光加权辐照度 E_B（W/m²，IEC 62471）"},
        {"phi_lm", "光通量 Φv（lm），由光谱辐射通量算出（K_m = 683.002 lm/W）"},
        {"ansi", "点所在的 ANSI C78.377 四边形（标称色温）；空表示不在其中"},
        {"bin", "点所在的分档（分档文件中的名称）；空表示不在任何分档"},
        {"error", "屏幕会显示的出错信息；空表示已计算"},
    };
    for (const auto &[key, tip] : kTips)
        if (key == name)
            return QString::fromUtf8(tip);
    for (std::size_t k = 0; k < colorimetry::kAlphaOpicCount; ++k) {
        const std::string_view alpha = colorimetry::AlphaOpicShortName(k);
        if (name.size() == alpha.size() + 4 && name.starts_with(alpha) && name[alpha.size()] == '_') {
            const QString receptor = FromUtf8(colorimetry::AlphaOpicName(k));
            if (name.ends_with("_der"))
                return QStringLiteral("%1 的日光（D65）效能比 DER（CIE S 026）：K_α,v 除以 D65 的 %2 mW/lm")
                    .arg(receptor)
                    .arg(colorimetry::kD65AlphaOpicEfficacy[k], 0, 'f', 4);
            return QStringLiteral("%1 的光辐射效能 K_α,v（ELR，mW/lm，CIE S 026）").arg(receptor);
        }
    }
    if (name.starts_with("rf_h"))
        return QStringLiteral("TM-30 第 %1 色相区的保真度 Rf,h%1").arg(FromUtf8(name.substr(4)));
    if (name.starts_with("rcs_h"))
        return QStringLiteral("TM-30 第 %1 色相区的彩度变化 Rcs,h%1（%）").arg(FromUtf8(name.substr(5)));
    if (name.size() >= 2 && name[0] == 'r' && name[1] >= '1' && name[1] <= '9')
        return QStringLiteral("特殊显色指数 %1（CIE 13.3；R15 按 JIS Z 8726）").arg(FromUtf8(name).toUpper());
    return {};
}

} // namespace

BatchModel::BatchModel(batch::Row row, QObject *parent) : QAbstractTableModel(parent), row_(row), columns_(row) {}

void BatchModel::SetLayout(const batch::Layout &layout)
{
    beginResetModel();
    layout_ = layout;
    columns_ = layout.columns;
    columns_.row = row_;
    columns_.bins = bins_;
    rows_ = RowStore();
    extra_ = 0;
    cachedRow_ = -1;
    endResetModel();
}

void BatchModel::SetBins(std::shared_ptr<const colorimetry::BinSet> bins)
{
    beginResetModel();
    bins_ = std::move(bins);
    columns_.bins = bins_;
    SortIntoBins(0, rows_.size());
    cachedRow_ = -1;
    endResetModel();
}

void BatchModel::SortIntoBins(std::size_t first, std::size_t last)
{
    // The reader sorts the rows it rates; this keeps the rows already in the
    // table in step with bins loaded since.
    const colorimetry::BinSet &ansi = colorimetry::AnsiQuadrangleBins();
    for (std::size_t i = first; i < last; ++i) {
        if (!rows_.rated(i)) {
            rows_.SetBins(i, colorimetry::kNoBin, colorimetry::kNoBin);
            continue;
        }
        const colorimetry::Xy p = rows_.point(i);
        rows_.SetBins(i, bins_ ? bins_->Find(p) : colorimetry::kNoBin, ansi.Find(p));
    }
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
    SortIntoBins(std::size_t(first), rows_.size());
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

const QStringList &BatchModel::OutputTexts(int row) const
{
    if (row != cachedRow_) {
        const batch::Rating &rating = rows_.rating(std::size_t(row));
        const batch::OutputCells cells(columns_, rating);
        cachedCells_.clear();
        for (std::size_t i = 0; i < cells.size(); ++i)
            cachedCells_ << FromUtf8(cells[i]);
        cachedRow_ = row;
    }
    return cachedCells_;
}

QString BatchModel::CellText(int row, int column) const
{
    const std::size_t r = std::size_t(row);
    if (column < inputColumns())
        return FromUtf8(rows_.cell(r, std::size_t(column)));
    column -= inputColumns();
    if (column < outputColumns())
        return OutputTexts(row).value(column);
    column -= outputColumns();
    return FromUtf8(rows_.cell(r, std::size_t(inputColumns() + column)));
}

QVariant BatchModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const std::size_t row = std::size_t(index.row());
    const int output = index.column() - inputColumns();
    const std::string_view outputName =
        output >= 0 && output < outputColumns() ? batch::OutputNames(columns_)[std::size_t(output)]
                                                : std::string_view();
    const bool number = !outputName.empty() && outputName != "error" && outputName != "ansi"
                        && outputName != "bin";
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::ToolTipRole: {
        const batch::Rating rating = rows_.rating(row);
        if (!rating.rated)
            return FromUtf8(rating.error);
        const std::string_view name = outputName;
        if (number && !rating.exact.defined()) {
            if (name == "cct" ? row_ != nullptr : name == "cct_exact")
                return QString::fromStdString(colorimetry::CctStateText(rating.exact));
        }
        // Why a spectrum's figure is empty.
        const batch::SpectralRating &spectral = rating.spectral;
        if (!spectral.present || !spectral.figures.ok())
            return {};
        if (name == "peak_nm")
            return FromUtf8(colorimetry::PeakNote(spectral.figures));
        if (name == "fwhm_nm")
            return FromUtf8(colorimetry::FwhmNote(spectral.figures));
        const bool tm30Cell = name == "rf" || name == "rg" || name.starts_with("rf_h") || name.starts_with("rcs_h");
        const bool empty = name == "rf" ? !spectral.tm30.fidelityDefined : !spectral.tm30.defined;
        if (tm30Cell && empty)
            return FromUtf8(colorimetry::Tm30Note(spectral.figures.cct, spectral.tm30.fidelityDefined,
                                                  spectral.tm30.defined));
        return {};
    }
    case Qt::BackgroundRole:
        return rows_.rated(row) ? QVariant() : QVariant(kFailedBackground);
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
        const std::string_view name = batch::OutputNames(columns_)[std::size_t(output)];
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
        return HeaderTip(name);
    }
    if (role == Qt::DisplayRole)
        return QStringLiteral("(第 %1 列)").arg(section - outputColumns() + 1);
    return QStringLiteral("表头以外多出的单元格");
}

} // namespace batchui

#include "spectrum_pane.h"

#include "spectral_figures.h"
#include "tm30.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>

namespace batchui {

namespace {

colorimetry::Spectrum SpectrumOfBands(const colorimetry::Bands &bands)
{
    colorimetry::Spectrum s;
    s.nm.reserve(bands.size());
    s.value.reserve(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        s.nm.push_back(colorimetry::BandNm(i));
        s.value.push_back(bands[i]);
    }
    return s;
}

// The row's colour rendering: as rated, or computed again from its bands.
diagram::RenderingChart RenderingOf(const RowStore &rows, int row)
{
    diagram::RenderingChart chart;
    chart.title = QStringLiteral("显色指数 Ra、R1–R15");
    if (row < 0 || !rows.hasSpectrum(std::size_t(row))) {
        chart.note = QStringLiteral("这一行没有光谱");
        return chart;
    }
    chart.title += QStringLiteral(" — ") + RowName(rows, std::size_t(row));
    const colorimetry::SpectrumFigures rated = rows.rating(std::size_t(row)).spectral.figures;
    const colorimetry::SpectrumFigures figures =
        rated.ok() ? rated : colorimetry::FiguresOf(SpectrumOfBands(rows.bands(std::size_t(row))));
    chart.rendering = figures.rendering;
    chart.note = QString::fromStdString(colorimetry::ColourRenderingNote(figures.rendering, figures.cct));
    return chart;
}

// The row's TM-30: computed from its bands; the figures the row was rated
// with (from the spectrum as read, not rounded to float) where it has them.
colorimetry::Tm30Result Tm30Of(const RowStore &rows, int row)
{
    if (row < 0 || !rows.hasSpectrum(std::size_t(row)))
        return {};
    // At the row's own CCT (summed over all the file's range), as its cells.
    const batch::SpectralRating spectral = rows.rating(std::size_t(row)).spectral;
    colorimetry::Tm30Result result =
        spectral.figures.ok() ? colorimetry::ComputeTm30(rows.bands(std::size_t(row)), spectral.figures.cct)
                              : colorimetry::ComputeTm30(rows.bands(std::size_t(row)));
    const batch::Tm30Figures &rated = spectral.tm30;
    if (result.defined && rated.defined) {
        result.rf = rated.rf;
        result.rg = rated.rg;
        for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
            result.bins[j].rf = rated.rfBin[j];
            result.bins[j].rcs = rated.rcsBin[j];
        }
    }
    return result;
}

} // namespace

QString RowName(const RowStore &rows, std::size_t row)
{
    const std::string_view first = rows.cellCount(row) > 0 ? rows.cell(row, 0) : std::string_view();
    const QString line = QStringLiteral("第 %1 行").arg(rows.line(row));
    return first.empty() ? line : line + ' ' + QString::fromUtf8(first.data(), qsizetype(first.size()));
}

SpectrumPane::SpectrumPane(QWidget *parent) : QTabWidget(parent)
{
    setAccessibleName(QStringLiteral("光谱与显色"));
    spectra_ = new diagram::SpectrumChartWidget(this);
    rendering_ = new diagram::RenderingBarsWidget(this);
    vectorGraphic_ = new diagram::Tm30Widget(diagram::Tm30Picture::VectorGraphic, this);
    fidelity_ = new diagram::Tm30Widget(diagram::Tm30Picture::Fidelity, this);
    chromaShift_ = new diagram::Tm30Widget(diagram::Tm30Picture::ChromaShift, this);
    addTab(spectra_, QStringLiteral("光谱"));
    addTab(rendering_, QStringLiteral("显色指数"));
    addTab(vectorGraphic_, QStringLiteral("TM-30 色矢量图"));
    addTab(fidelity_, QStringLiteral("Rf,hj"));
    addTab(chromaShift_, QStringLiteral("Rcs,hj"));
    for (int tab = 0; tab < count(); ++tab)
        AddExport(widget(tab), tab);
}

void SpectrumPane::AddExport(QWidget *picture, int tab)
{
    auto *action = new QAction(QStringLiteral("导出图片…"), picture);
    connect(action, &QAction::triggered, this, [this, tab] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("导出图片"), tabText(tab).remove(',') + QStringLiteral(".png"),
            QStringLiteral("PNG 图片 (*.png);;SVG 矢量图 (*.svg);;PDF 文档 (*.pdf)"));
        if (path.isEmpty())
            return;
        const QString problem = ExportTab(tab, path);
        if (!problem.isEmpty())
            QMessageBox::warning(this, QStringLiteral("导出图片"), problem);
    });
    picture->addAction(action);
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);
}

QString SpectrumPane::ExportTab(int tab, const QString &path) const
{
    switch (tab) {
    case 0:
        return diagram::ExportSpectra(path, spectra_->series(), spectra_->sizeHint(), spectra_->title());
    case 1:
        return diagram::ExportRenderingBars(path, rendering_->chart(), rendering_->sizeHint());
    default: {
        const diagram::Tm30Widget *picture = tab == 2 ? vectorGraphic_ : tab == 3 ? fidelity_ : chromaShift_;
        return diagram::ExportTm30(path, picture->result(), picture->picture());
    }
    }
}

void SpectrumPane::ShowRows(const RowStore &rows, std::span<const int> selected, int current)
{
    std::vector<diagram::SpectrumSeries> series;
    const int single[] = {current};
    const std::span<const int> shown = selected.empty() && current >= 0 ? std::span<const int>(single) : selected;
    std::size_t spectral = 0;
    for (const int row : shown) {
        if (row < 0 || std::size_t(row) >= rows.size() || !rows.hasSpectrum(std::size_t(row)))
            continue;
        if (++spectral <= kMostSpectra)
            series.push_back({RowName(rows, std::size_t(row)), SpectrumOfBands(rows.bands(std::size_t(row)))});
    }
    const QString title = spectral > kMostSpectra
                              ? QStringLiteral("光谱（各自按峰值归一）— 选中 %1 行，画出前 %2 行")
                                    .arg(spectral)
                                    .arg(kMostSpectra)
                              : QStringLiteral("光谱（各自按峰值归一）");
    spectra_->SetSeries(std::move(series), title);
    rendering_->SetChart(RenderingOf(rows, current));
    const colorimetry::Tm30Result tm30 = Tm30Of(rows, current);
    vectorGraphic_->SetResult(tm30);
    fidelity_->SetResult(tm30);
    chromaShift_->SetResult(tm30);
}

} // namespace batchui

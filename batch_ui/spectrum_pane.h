#pragma once
// The spectrum pane of a batch window on a file of spectra: the selected
// rows' spectra, each scaled to its own peak; and for the current row its
// colour rendering (Ra and R1–R15 as bars), its TM-30 colour vector graphic
// and its Rf,hj and Rcs,hj bars, one tab each. Each picture's context menu
// exports it to PNG, SVG or PDF with the painting code of the screen.

#include "row_store.h"
#include "spectrum_widgets.h"
#include "vector_graphic_widget.h"

#include <QTabWidget>

#include <span>

namespace batchui {

class SpectrumPane : public QTabWidget {
    Q_OBJECT

public:
    // At most this many spectra are drawn at once (the first selected).
    static constexpr std::size_t kMostSpectra = 24;

    explicit SpectrumPane(QWidget *parent = nullptr);

    // Draws the selected rows' spectra (or the current row's, when none is
    // selected) and the current row's figures; current may be -1.
    void ShowRows(const RowStore &rows, std::span<const int> selected, int current);

    diagram::SpectrumChartWidget &spectra() { return *spectra_; }
    diagram::RenderingBarsWidget &rendering() { return *rendering_; }
    diagram::Tm30Widget &vectorGraphic() { return *vectorGraphic_; }
    diagram::Tm30Widget &fidelity() { return *fidelity_; }
    diagram::Tm30Widget &chromaShift() { return *chromaShift_; }

    // Writes the picture of the tab (0…4) to path, PNG, SVG or PDF by its
    // suffix. Returns the message for the user, empty on success.
    QString ExportTab(int tab, const QString &path) const;

private:
    void AddExport(QWidget *picture, int tab);

    diagram::SpectrumChartWidget *spectra_;
    diagram::RenderingBarsWidget *rendering_;
    diagram::Tm30Widget *vectorGraphic_;
    diagram::Tm30Widget *fidelity_;
    diagram::Tm30Widget *chromaShift_;
};

// A row's name in the pictures: "第 12 行" and its first cell, if any.
QString RowName(const RowStore &rows, std::size_t row);

} // namespace batchui

#pragma once
// Two pictures of measured light, each painted by one function for the
// screen, PNG, SVG and PDF alike:
//
//   the spectra: several spectra, each scaled to its own peak over
//     380–780 nm, over a band of the colours of the spectrum under the
//     wavelength axis;
//   the colour rendering: a bar of Ra, then one of R1–R15, each bar in its
//     test colour sample's own colour (its reflectance under D65, to sRGB),
//     its value above it, and a line across at Ra.

#include "colour_rendering.h"
#include "spectrum.h"

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

#include <array>
#include <span>
#include <vector>

class QPainter;

namespace diagram {

// ---- Colours ---------------------------------------------------------------

// The colour of monochromatic light at the wavelength as a display can show
// it: its chromaticity desaturated into the sRGB gamut, dimmed towards the
// ends of the visible range as the eye sees them.
QColor SpectralColour(double nm);

// Test colour sample i + 1 (TCS01 … TCS15) as it looks under D65, in sRGB.
QColor SampleColour(std::size_t i);

// The sample's short Chinese name: "浅灰红", …, "饱和红" (R9), "黄种人肤色" (R15).
QString SampleName(std::size_t i);

// ---- The spectra -----------------------------------------------------------

struct SpectrumSeries {
    QString name;                   // the legend's and the readout's name
    colorimetry::Spectrum spectrum; // as measured
};

// Where the spectra went on the page: the plot, and the wavelength axis.
struct PaintedSpectra {
    QRectF plot;
    double PixelOfNm(double nm) const;
    double NmOfPixel(double x) const;
};

inline constexpr double kChartFirstNm = 380;
inline constexpr double kChartLastNm = 780;

// Paints the spectra on a page of the logical size with an optional title;
// an empty list paints the axes with a note.
PaintedSpectra PaintSpectra(QPainter &painter, std::span<const SpectrumSeries> series, QSizeF page,
                            const QString &title = {});

// The hover text at the pixel: the wavelength and each series' value there
// (relative to its peak, and as measured); empty outside the plot.
QString SpectraReadout(const PaintedSpectra &painted, std::span<const SpectrumSeries> series, QPointF pos);

// ---- The colour rendering ----------------------------------------------------

struct RenderingChart {
    QString title;
    colorimetry::ColourRendering rendering;
    QString note; // why there are no indices, or that they mean little; may be empty
};

// Bar 0 is Ra, bar i is Ri.
inline constexpr std::size_t kRenderingBars = colorimetry::kTestSampleCount + 1;

struct PaintedRendering {
    QRectF plot;
    std::array<QRectF, kRenderingBars> bars{}; // empty when the indices are not defined
};

PaintedRendering PaintRenderingBars(QPainter &painter, const RenderingChart &chart, QSizeF page);

// The hover text over a bar: its index, its sample and its value.
QString RenderingReadout(const PaintedRendering &painted, const RenderingChart &chart, QPointF pos);

// ---- Files -----------------------------------------------------------------------

// Both written by the same painting code as the screen: PNG, SVG or PDF by
// the file's suffix. Return the message for the user, empty on success.
QString ExportSpectra(const QString &path, std::span<const SpectrumSeries> series, QSize page,
                      const QString &title = {});
QString ExportRenderingBars(const QString &path, const RenderingChart &chart, QSize page);

} // namespace diagram

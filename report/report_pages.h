#pragma once
// The report pages, each painted by one function for the PDF and the PNG
// alike, on an A4 page of logical pixels (96 per inch; the PNG doubles
// them, 192 dpi):
//
//   the LED page: the sample's name, file line and date; a table of its
//     figures against the chosen standard and CCT (a figure that is not
//     defined says why); its spectrum; its light and health (the α-opic
//     DERs as bars, K_B,v, and Ev and melanopic EDI for an absolute
//     spectrum); the CIE 1931 diagram around the
//     point with the standard's ellipses; Ra with R1–R15 as bars; the
//     colour vector graphic of TM-30;
//   the tray page: counts and the summary; histograms of steps, CCT, Duv,
//     Ra, R9 and Rf; the diagram of all rows; yields per ANSI quadrangle and
//     per bin; the failed rows with their messages.

#include "led_report.h"
#include "tray_tally.h"

#include <QSize>
#include <QString>

class QPainter;

namespace report {

// A4 at 96 logical pixels per inch (210 × 297 mm).
inline constexpr QSize kPageSize{794, 1123};

struct PageFooter {
    QString program;  // "ambrix"
    int number = 0;   // from 1; 0: no page numbers
    int count = 0;
};

void PaintLedPage(QPainter &painter, const LedReport &led, const ReportContext &context,
                  const PageFooter &footer, QSizeF page = kPageSize);
void PaintTrayPage(QPainter &painter, const TrayTally &tray, const PageFooter &footer,
                   QSizeF page = kPageSize);

// "GB 4000 K", or "色温（cendrel）" without a row.
QString TargetName(const ReportContext &context);

} // namespace report

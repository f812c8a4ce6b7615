#pragma once
// Pictures written to a file by the same painting code as the screen: PNG at
// twice the screen scale, SVG (Qt SVG) and PDF (QPdfWriter), chosen by the
// file's suffix.

#include "scene.h"
#include "view.h"

#include <QString>

#include <functional>

class QPainter;

namespace diagram {

// The PNG's pixels per logical pixel.
inline constexpr int kPngScale = 2;

// Paints a picture on a page of logical pixels of the given size.
using PagePainter = std::function<void(QPainter &painter, QSizeF page)>;

// Writes what `paint` paints on a page of the logical size; the title and
// description name it in the SVG and PDF. Returns the message for the user
// (Chinese), empty on success.
QString ExportPicture(const QString &path, QSize page, const QString &title, const QString &description,
                      const PagePainter &paint);

// Writes the scene as shown by the view on a page of the logical size.
QString ExportDiagram(const QString &path, const Scene &scene, const ViewState &view, QSize page);

// Writes any picture that one painting function draws on a page of the
// logical size: PNG at kPngScale, SVG or PDF by the file's suffix, the
// title and description in the file's metadata. Returns the message for
// the user (Chinese), empty on success.
QString ExportPainting(const QString &path, QSize page, const QString &title, const QString &description,
                       const std::function<void(QPainter &)> &paint);

} // namespace diagram

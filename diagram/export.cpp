#include "export.h"

#include "painter.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace diagram {

namespace {

constexpr int kDpi = 96;

QString CannotWrite(const QString &path)
{
    return QStringLiteral("无法写入文件“%1”。请检查文件夹是否存在、是否有写入权限。").arg(path);
}

QString WritePng(const QString &path, QSize page, const PagePainter &paint)
{
    QImage image(page * kPngScale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QStringLiteral("图像太大，无法导出为 PNG。");
    image.setDevicePixelRatio(kPngScale);
    // Twice the pixels on the same page: twice the dots per inch.
    const int dotsPerMeter = int(kDpi * kPngScale / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        paint(painter, page);
    }
    return image.save(path, "PNG") ? QString() : CannotWrite(path);
}

QString WriteSvg(const QString &path, QSize page, const QString &title, const QString &description,
                 const PagePainter &paint)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(page);
    svg.setViewBox(QRect(QPoint(0, 0), page));
    svg.setResolution(kDpi);
    svg.setTitle(title);
    svg.setDescription(description);
    QPainter painter;
    if (!painter.begin(&svg))
        return CannotWrite(path);
    paint(painter, page);
    return painter.end() ? QString() : CannotWrite(path);
}

QString WritePdf(const QString &path, QSize page, const QString &title, const PagePainter &paint)
{
    QPdfWriter pdf(path);
    pdf.setResolution(kDpi);
    pdf.setTitle(title);
    pdf.setCreator(QStringLiteral("Norvak"));
    pdf.setPageSize(QPageSize(QSizeF(page) / kDpi, QPageSize::Inch, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&pdf))
        return CannotWrite(path);
    paint(painter, page);
    return painter.end() ? QString() : CannotWrite(path);
}

} // namespace

QString ExportPicture(const QString &path, QSize page, const QString &title, const QString &description,
                      const PagePainter &paint)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool known = suffix == QLatin1String("png") || suffix == QLatin1String("svg")
                       || suffix == QLatin1String("pdf");
    if (known && !QFile(path).open(QIODevice::WriteOnly))
        return CannotWrite(path);
    if (suffix == QLatin1String("png"))
        return WritePng(path, page, paint);
    if (suffix == QLatin1String("svg"))
        return WriteSvg(path, page, title, description, paint);
    if (suffix == QLatin1String("pdf"))
        return WritePdf(path, page, title, paint);
    return QStringLiteral("不能导出为“%1”：文件名请以 .png、.svg 或 .pdf 结尾。")
        .arg(QFileInfo(path).fileName());
}

QString ExportPainting(const QString &path, QSize page, const QString &title, const QString &description,
                       const std::function<void(QPainter &)> &paint)
{
    return ExportPicture(path, page, title, description, [&](QPainter &painter, QSizeF) { paint(painter); });
}

QString ExportDiagram(const QString &path, const Scene &scene, const ViewState &view, QSize page)
{
    return ExportPicture(path, page, scene.title, QStringLiteral("CIE 1931 (x, y)"),
                         [&](QPainter &painter, QSizeF size) { PaintDiagram(painter, scene, view, size); });
}

} // namespace diagram

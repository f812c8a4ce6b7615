#include "smoke_pictures.h"

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QRectF>
#include <QSvgRenderer>

QByteArray SmokeSvg()
{
    return QByteArrayLiteral(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="120" height="80" viewBox="0 0 120 80">)"
        R"(<rect x="4" y="4" width="112" height="72" rx="10" fill="#ffd24a" stroke="#204080" stroke-width="4"/>)"
        R"(<circle cx="38" cy="40" r="22" fill="#3070c0"/>)"
        R"(<path d="M66 62 L88 18 L110 62 Z" fill="#c03030"/></svg>)");
}

QString SmokeText()
{
    return QStringLiteral("色温与色容差：中文标签 ABC 123");
}

bool DrawSmokeSvg(QPainter &painter, const QRectF &rect)
{
    QSvgRenderer renderer(SmokeSvg());
    if (!renderer.isValid())
        return false;
    renderer.render(&painter, rect);
    return true;
}

bool WriteSmokePdf(const QString &path)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(path);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 18));
    const QRectF page = painter.viewport();
    painter.drawText(QRectF(0, 0, page.width(), page.height() / 8), Qt::AlignCenter, SmokeText());
    const bool drawn = DrawSmokeSvg(painter, QRectF(page.width() / 4, page.height() / 8,
                                                    page.width() / 2, page.width() / 3));
    return painter.end() && drawn;
}

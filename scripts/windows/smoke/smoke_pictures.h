#pragma once
#include <QByteArray>
#include <QString>

class QPainter;
class QRectF;

// A small vector picture: a yellow card, a blue disc, a red triangle.
QByteArray SmokeSvg();
// The Chinese line the window and the PDF show.
QString SmokeText();
// Draws SmokeSvg() into rect; false when Qt SVG cannot read it.
bool DrawSmokeSvg(QPainter &painter, const QRectF &rect);
// One A4 page through QPrinter: the text and the picture. False on failure.
bool WriteSmokePdf(const QString &path);

// The TM-30 pictures never contradict the figures: each arrow of the colour
// vector graphic ends where the bin's chroma and hue shifts put it, hovering
// over a wedge or a bar names that bin's figures, and the files are written.

#include "vector_graphic_widget.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace diagram;

namespace {

// A warm phosphor LED: a 450 nm pump, a green and a red band.
colorimetry::Tm30Result WarmLed()
{
    colorimetry::Bands b{};
    for (std::size_t k = 0; k < colorimetry::kBandCount; ++k) {
        const double nm = colorimetry::BandNm(k);
        auto band = [nm](double peak, double sigma) { return std::exp(-0.5 * std::pow((nm - peak) / sigma, 2)); };
        b[k] = 0.6 * band(450, 9) + band(545, 45) + 0.8 * band(640, 38);
    }
    return colorimetry::ComputeTm30(b);
}

} // namespace

class TestTm30Pictures : public QObject {
    Q_OBJECT
private slots:
    void arrowsAreTheShifts()
    {
        const colorimetry::Tm30Result r = WarmLed();
        QVERIFY(r.defined);
        // Four times the natural size, so that the arrows' heads show.
        QImage image(Tm30PageSize(Tm30Picture::VectorGraphic) * 4, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        const PaintedTm30 painted = PaintVectorGraphic(painter, r, image.size());
        painter.end();
        for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
            const double middle = (double(j) + 0.5) * colorimetry::kHueBinDegrees * std::numbers::pi / 180;
            const QPointF from = (painted.reference[j] - painted.centre) / painted.unit;
            const QPointF to = (painted.test[j] - painted.centre) / painted.unit;
            // Page y grows downwards; b′ upwards.
            QVERIFY(std::hypot(from.x() - std::cos(middle), -from.y() - std::sin(middle)) < 1e-9);
            const double along = (to.x() - from.x()) * std::cos(middle) - (to.y() - from.y()) * std::sin(middle);
            const double across = -(to.x() - from.x()) * std::sin(middle) - (to.y() - from.y()) * std::cos(middle);
            QVERIFY2(std::fabs(100 * along - r.bins[j].rcs) < 1e-9, qPrintable(QString("h%1").arg(j + 1)));
            QVERIFY2(std::fabs(across - r.bins[j].rhs) < 1e-9, qPrintable(QString("h%1").arg(j + 1)));
        }
        // Each arrow points from the reference to the test: across it, a
        // third of the way from the test's end, its head is several pixels
        // wide; as far from the reference's end, only its line.
        int arrows = 0;
        for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
            const QPointF from = painted.reference[j], to = painted.test[j];
            const QPointF along = to - from;
            const double length = std::hypot(along.x(), along.y());
            if (length < 40)
                continue;
            const QPointF across = QPointF(-along.y(), along.x()) / length;
            const QColor ink = HueBinLineColour(j).darker(125);
            const auto width = [&](QPointF centre) { // in half pixels
                int n = 0;
                for (double d = -0.2 * length; d <= 0.2 * length; d += 0.5) {
                    const QColor c = image.pixelColor((centre + across * d).toPoint());
                    n += std::abs(c.red() - ink.red()) + std::abs(c.green() - ink.green()) + std::abs(c.blue() - ink.blue()) < 40;
                }
                return n;
            };
            const int atTest = width(to - along * 0.3), atReference = width(from + along * 0.3);
            QVERIFY2(atTest >= 12 && atTest > 2 * atReference,
                     qPrintable(QString("h%1: %2 at the test, %3 at the reference").arg(j + 1).arg(atTest).arg(atReference)));
            ++arrows;
        }
        QVERIFY(arrows >= 8);
    }

    void hoverNamesTheBin_data()
    {
        QTest::addColumn<Tm30Picture>("picture");
        QTest::newRow("vector graphic") << Tm30Picture::VectorGraphic;
        QTest::newRow("Rf,hj bars") << Tm30Picture::Fidelity;
        QTest::newRow("Rcs,hj bars") << Tm30Picture::ChromaShift;
    }
    void hoverNamesTheBin()
    {
        QFETCH(Tm30Picture, picture);
        const colorimetry::Tm30Result r = WarmLed();
        Tm30Widget widget(picture);
        widget.resize(widget.sizeHint());
        widget.SetResult(r);
        for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
            // Inside the bin's own wedge or bar, away from its edges.
            const QRectF box = widget.painted().bins[j].boundingRect();
            QPointF inside = box.center();
            if (picture == Tm30Picture::VectorGraphic) {
                const double middle = (double(j) + 0.5) * colorimetry::kHueBinDegrees * std::numbers::pi / 180;
                inside = widget.painted().centre + QPointF(std::cos(middle), -std::sin(middle)) * widget.painted().unit * 1.3;
            }
            QCOMPARE(widget.BinAt(inside), int(j));
            const QString tip = widget.ToolTipAt(inside);
            QVERIFY2(tip.contains(QString("Rf,h%1 = %2").arg(j + 1).arg(std::round(r.bins[j].rf))), qPrintable(tip));
            // Bins are named h1 … h16, with their hue angles.
            QVERIFY2(tip.startsWith(QStringLiteral("色相区 h%1（%2°–%3°）").arg(j + 1).arg(22.5 * double(j)).arg(22.5 * double(j + 1))),
                     qPrintable(tip));
        }
        QCOMPARE(widget.ToolTipAt(QPointF(1, 1)), QString());
        // A light without a CCT shows and tells why.
        widget.SetResult(colorimetry::ComputeTm30(colorimetry::Bands{}));
        QVERIFY(widget.accessibleDescription().contains(QStringLiteral("无定义")));
        QVERIFY(widget.grab().width() > 0);
    }

    void filesAreWritten_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("PNG") << "png" << QByteArray("\x89PNG");
        QTest::newRow("SVG") << "svg" << QByteArray("<?xml");
        QTest::newRow("PDF") << "pdf" << QByteArray("%PDF");
    }
    void filesAreWritten()
    {
        QFETCH(QString, suffix);
        QFETCH(QByteArray, start);
        QTemporaryDir dir;
        const QString path = dir.filePath("cvg." + suffix);
        QCOMPARE(ExportTm30(path, WarmLed(), Tm30Picture::VectorGraphic), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(start.size()) == start);
        if (suffix == "png")
            QCOMPARE(QImage(path).size(), Tm30PageSize(Tm30Picture::VectorGraphic) * 2);
        QVERIFY(!ExportTm30(dir.filePath("cvg.bmp"), WarmLed(), Tm30Picture::Fidelity).isEmpty());
    }
};

QTEST_MAIN(TestTm30Pictures)
#include "test_tm30_pictures.moc"

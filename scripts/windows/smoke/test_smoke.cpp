// What the programs' own tests lean on under Wine: Chinese glyphs from the
// installed fonts, SVG drawing, PDF output, a widget grabbed to an image.
#include "smoke_pictures.h"

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

class SmokeTest : public QObject {
    Q_OBJECT
private slots:
    void chineseFontsHaveTheGlyphs_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("Song") << QStringLiteral("AR PL SungtiL GB");
        QTest::newRow("Kai") << QStringLiteral("AR PL KaitiM GB");
        QTest::newRow("FangSong") << QStringLiteral("cwTeXFangSong");
        QTest::newRow("Hei") << QStringLiteral("WenQuanYi Zen Hei");
    }
    void chineseFontsHaveTheGlyphs()
    {
        QFETCH(QString, family);
        const QFont font(family, 12);
        QCOMPARE(QFontInfo(font).family(), family);
        QVERIFY(QFontMetrics(font).inFontUcs4(U'色'));
    }
    void svgIsDrawn()
    {
        QImage image(120, 80, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QVERIFY(DrawSmokeSvg(painter, QRectF(0, 0, 120, 80)));
        painter.end();
        QCOMPARE(image.pixelColor(38, 40), QColor(0x30, 0x70, 0xc0));
        QCOMPARE(image.pixelColor(88, 50), QColor(0xc0, 0x30, 0x30));
    }
    void pdfIsWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("页.pdf"));
        QVERIFY(WriteSmokePdf(path));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
    }
    void labelTextIsDrawn()
    {
        QLabel label(SmokeText());
        label.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 12));
        label.resize(320, 40);
        const QImage image = label.grab().toImage();
        QCOMPARE(image.size(), QSize(320, 40));
        const QRgb background = image.pixel(319, 0);
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += image.pixel(x, y) != background;
        QVERIFY2(ink > 200, qPrintable(QString::number(ink)));
    }
};

QTEST_MAIN(SmokeTest)
#include "test_smoke.moc"

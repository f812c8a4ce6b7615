// Pictures of the TM-30 widgets for looking at: the colour vector graphic
// beside the bars of Rf,hj and Rcs,hj, for CIE F2, F12, two phosphor LEDs and
// a light without a CCT, grabbed from real widgets (at the screen's scale),
// and one light written to PNG, SVG and PDF.
//
// Usage: tm30_shots [DIR]   (QT_SCALE_FACTOR=2 for the high-dpi pictures)

#include "sample_lights.h"
#include "vector_graphic_widget.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QPixmap>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(out.path());

    std::vector<bench::SampleLight> lights;
    for (const bench::SampleLight &l : bench::SampleLights())
        if (l.name == "CIE F2" || l.name == "CIE F12" || l.name.rfind("LED 445", 0) == 0 || l.name.rfind("LED 450", 0) == 0)
            lights.push_back(l);
    bench::SampleLight green{"no CCT (530 nm)", {}};
    green.bands[30] = 1;
    lights.push_back(green);

    for (const bench::SampleLight &light : lights) {
        const colorimetry::Tm30Result r = colorimetry::ComputeTm30(light.bands);
        QWidget window;
        auto *row = new QHBoxLayout(&window);
        auto *graphic = new diagram::Tm30Widget(diagram::Tm30Picture::VectorGraphic);
        auto *bars = new QVBoxLayout;
        auto *fidelity = new diagram::Tm30Widget(diagram::Tm30Picture::Fidelity);
        auto *chroma = new diagram::Tm30Widget(diagram::Tm30Picture::ChromaShift);
        row->addWidget(graphic);
        bars->addWidget(fidelity);
        bars->addWidget(chroma);
        row->addLayout(bars);
        for (diagram::Tm30Widget *w : {graphic, fidelity, chroma})
            w->SetResult(r);
        window.setWindowTitle(QString::fromStdString(light.name));
        window.resize(window.sizeHint());
        window.show();
        QApplication::processEvents();
        QString name = QString::fromStdString(light.name).toLower();
        name.replace(QRegularExpression("[^a-z0-9]+"), "-");
        const QString file = out.filePath("tm30-" + name + ".png");
        window.grab().save(file);
        const QPointF overRed = fidelity->painted().bins[0].boundingRect().center();
        std::printf("%s\n  %s\n  hover h1 bar: %s\n", qPrintable(file), qPrintable(diagram::Tm30Summary(r)),
                    qPrintable(fidelity->ToolTipAt(overRed).replace('\n', " | ")));
    }

    const colorimetry::Tm30Result f2 = colorimetry::ComputeTm30(lights.front().bands);
    for (const char *suffix : {"png", "svg", "pdf"}) {
        for (auto [picture, stem] : {std::pair{diagram::Tm30Picture::VectorGraphic, "cvg"},
                                     std::pair{diagram::Tm30Picture::Fidelity, "rf-bins"},
                                     std::pair{diagram::Tm30Picture::ChromaShift, "rcs-bins"}}) {
            const QString file = out.filePath(QStringLiteral("tm30-f2-%1.%2").arg(stem, suffix));
            const QString error = diagram::ExportTm30(file, f2, picture);
            std::printf("%s%s\n", qPrintable(file), error.isEmpty() ? "" : qPrintable(": " + error));
        }
    }
    return 0;
}

// Usage: smoke OUTDIR — shows a window with a Chinese label and an SVG,
// grabs it to OUTDIR/smoke.png, writes OUTDIR/smoke.pdf and OUTDIR/smoke.txt
// (platform, style, font, whether Qt's Chinese button texts load), and quits. Exit status 0 when all were written.
// Without OUTDIR it stays open until closed.
#include "smoke_pictures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTranslator>
#include <QVBoxLayout>

namespace {
class SvgView : public QWidget {
public:
    SvgView() { setFixedSize(240, 160); }
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        DrawSmokeSvg(painter, rect());
    }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // As the programs do: Qt's standard buttons in Chinese, found through
    // qt.conf once deployed.
    QTranslator buttons;
    const bool chineseButtons = buttons.load(QStringLiteral("qtbase_zh_CN"),
                                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QWidget window;
    window.setWindowTitle(QStringLiteral("烟雾测试"));
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(SmokeText());
    label->setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 14));
    layout->addWidget(label);
    layout->addWidget(new SvgView);
    layout->addWidget(new QPushButton(QStringLiteral("确定")));
    window.show();

    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return app.exec();
    QCoreApplication::processEvents();
    const QDir out(args.at(1));
    const bool png = window.grab().save(out.filePath(QStringLiteral("smoke.png")));
    const bool pdf = WriteSmokePdf(out.filePath(QStringLiteral("smoke.pdf")));
    QFile info(out.filePath(QStringLiteral("smoke.txt")));
    const bool txt = info.open(QIODevice::WriteOnly | QIODevice::Text)
        && info.write(QStringLiteral("platform %1\nstyle %2\nfont %3\nqtbase_zh_CN.qm %4\n")
                          .arg(QGuiApplication::platformName(), app.style()->name(),
                               QFontInfo(label->font()).family(),
                               chineseButtons ? QStringLiteral("loaded") : QStringLiteral("absent"))
                          .toUtf8()) > 0;
    return png && pdf && txt ? 0 : 1;
}

#include "window_services.h"

#include "accessibility.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>
#include <QWidget>
#include <cmath>
#include <utility>

namespace framework {

int TwipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

QColor ColourFromCode(std::uint32_t code)
{
    return QColor(code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF);
}

FontSpec DefaultControlFont()
{
    return {QStringLiteral("宋体"), 9.0, false};
}

QFont FontFor(const FontSpec &face)
{
    QFont font(face.face);
    // Points at 96 dpi, as the layouts were drawn: the pixel size keeps
    // every text inside the rectangles the screens give, whatever dpi the
    // desktop reports; high-dpi scaling then scales pixels as a whole.
    font.setPixelSize(static_cast<int>(std::lround(face.points * 96.0 / 72.0)));
    font.setBold(face.bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void UseFontsBesideProgram()
{
    static bool done = false;
    if (std::exchange(done, true))
        return;
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString &name : fonts.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.ttc")}, QDir::Files, QDir::Name))
        QFontDatabase::addApplicationFont(fonts.filePath(name));
}

void PrepareApplication()
{
    UseFontsBesideProgram();
    // The Windows faces are not installed on Linux; each maps to a face of
    // the same style. The FangSong face lacks some simplified characters, so
    // the Song face stands behind it.
    const QString song = QStringLiteral("AR PL SungtiL GB");
    QFont::insertSubstitutions(QStringLiteral("宋体"), {song, QStringLiteral("WenQuanYi Zen Hei")});
    QFont::insertSubstitutions(QStringLiteral("仿宋_GB2312"),
                               {QStringLiteral("cwTeXFangSong"), song});
    QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"),
                               {QStringLiteral("AR PL KaitiM GB"), song});
    QApplication::setFont(FontFor(DefaultControlFont()));
    // The standard buttons of message boxes read as a Chinese desktop shows
    // them ("确定"), whatever the desktop's own language is.
    static QTranslator standardButtons;
    if (standardButtons.isEmpty()
        && standardButtons.load(QStringLiteral("qtbase_zh_CN"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&standardButtons);
    InstallAccessibility();
    // The navigator, not the last-window rule, decides when a program ends.
    QApplication::setQuitOnLastWindowClosed(false);
}

void ShowMessage(const QString &text, const QString &title, int buttons, QWidget *parent)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (buttons & 0x70) {
    case 16: icon = QMessageBox::Critical; break;
    case 32: icon = QMessageBox::Question; break;
    case 48: icon = QMessageBox::Warning; break;
    case 64: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

namespace {
// The long time format without its time-zone field: letters inside single
// quotes are literal text and stay.
QString TimeFormatWithoutZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar ch = format.at(i);
        if (ch == u'\'')
            quoted = !quoted;
        if (!quoted && ch == u't') {
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            while (i + 1 < format.size() && (format.at(i + 1) == u't' || format.at(i + 1).isSpace()))
                ++i;
            continue;
        }
        out.append(ch);
    }
    return out.trimmed();
}
} // namespace

QString TimeOfDayText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString TimeOfDayText()
{
    return TimeOfDayText(QTime::currentTime(), QLocale::system());
}

} // namespace framework

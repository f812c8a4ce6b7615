// Saves a picture of every screen of both programs, with its window frame
// when a window manager runs: norvak_screenshots OUTDIR
// Run under a display (scripts/screenshots.sh starts Xvfb and a window manager).
// Beside each screen's PNG, NAME.geometry.txt lists its widgets (see
// WriteGeometry), for comparing the screens' layout between platforms.

#include "ambrix_screens.h"
#include "cendrel_screens.h"
#include "screen_navigator.h"
#include "window_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTextStream>
#include <QToolTip>
#include <QThread>
#include <QTimer>
#include <cstdio>

using framework::ScreenNavigator;

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// What a widget shows as its own text, on one line (no tab, no line break).
QString TextOf(const QWidget *w)
{
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(w))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        text = button->text();
    else if (const auto *entry = qobject_cast<const QLineEdit *>(w))
        text = entry->text();
    else if (const auto *box = qobject_cast<const QGroupBox *>(w))
        text = box->title();
    else if (const auto *combo = qobject_cast<const QComboBox *>(w))
        text = combo->currentText();
    return text.replace('\\', "\\\\").replace('\n', "\\n").replace('\r', "\\r").replace('\t', "\\t");
}

void WriteWidget(QTextStream &out, const QWidget *window, const QWidget *w, int depth)
{
    const QPoint at = w->mapTo(window, QPoint(0, 0));
    const QFont font = w->font();
    out << QString(depth * 2, ' ') << w->metaObject()->className() << " \"" << w->objectName() << "\" " << at.x()
        << ' ' << at.y() << ' ' << w->width() << ' ' << w->height() << " \"" << font.family() << "\" "
        << (font.pointSizeF() > 0 ? QString::number(font.pointSizeF()) + "pt" : QString::number(font.pixelSize()) + "px")
        << (w->isVisibleTo(window) ? "" : " hidden") << '\t' << TextOf(w) << '\n';
    for (const QObject *child : w->children())
        if (child->isWidgetType())
            WriteWidget(out, window, static_cast<const QWidget *>(child), depth + 1);
}

// Every widget of the window, the window first and then each child after
// its parent in the order they were made: class, object name, x and y
// within the window, width, height, the font's family and size (pt or px),
// "hidden" for one not shown; after a tab, the text it shows (a clock's
// text changes from run to run, its place does not).
void WriteGeometry(const QWidget *window, const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(file));
        return;
    }
    QTextStream out(&f);
    WriteWidget(out, window, window, 0);
}

void Save(ScreenNavigator &nav, const QString &screen, const QString &file)
{
    QWidget *w = nav.Window(screen);
    w->raise();
    w->activateWindow();
    Wait(400);
    const QRect frame = w->frameGeometry();
    QPixmap shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || frame.size() == w->size())
        shot = w->grab();
    if (!shot.save(file))
        std::fprintf(stderr, "could not save %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
    WriteGeometry(w, file.chopped(4) + ".geometry.txt"); // file ends in .png
}

// What the screen offers beside its controls, around its window: the
// result's tooltip, and the context menu opened over the window.
void SaveAdditions(ScreenNavigator &nav, const QString &screen, const QString &result,
                   const QString &file)
{
    framework::ScreenWindow *w = nav.Window(screen);
    QWidget *label = w->Control(result);
    QToolTip::showText(label->mapToGlobal(QPoint(8, label->height() - 4)), label->toolTip(), label);
    Wait(600);
    const QRect area = w->frameGeometry().adjusted(0, 0, 260, 90);
    w->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(file + "-tooltip.png");
    QToolTip::hideText();
    QMenu menu(w);
    menu.addActions(w->actions());
    menu.popup(w->mapToGlobal(QPoint(w->width() * 2 / 3, w->height() / 3)));
    Wait(600);
    w->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(file + "-menu.png");
    menu.close();
    std::printf("%s-tooltip.png, %s-menu.png\n", qPrintable(file), qPrintable(file));
}

void Type(ScreenNavigator &nav, const QString &screen, const QString &key, const QString &text)
{
    if (auto *entry = qobject_cast<QLineEdit *>(nav.Window(screen)->Control(key)))
        entry->setText(text);
}

void Press(ScreenNavigator &nav, const QString &screen, const QString &key)
{
    if (auto *button = qobject_cast<QAbstractButton *>(nav.Window(screen)->Control(key)))
        button->click();
}

// Points near each calculator's centre, so that every screen shows a result.
QStringList Point(const QString &screen)
{
    static const QMap<QString, QStringList> points = {
        {"CN6500K", {"0.3127", "0.329"}}, {"CN5000K", {"0.35", "0.35"}},
        {"CN4000K", {"0.3805", "0.3768"}}, {"CN3500K", {"0.41", "0.39"}},
        {"CN3000K", {"0.436", "0.404"}}, {"CN2700K", {"0.46", "0.41"}},
        {"US6500K", {"0.3127", "0.329"}}, {"US5000K", {"0.35", "0.35"}},
        {"US4000K", {"0.3805", "0.3768"}}, {"US3500K", {"0.41", "0.39"}},
        {"US3000K", {"0.436", "0.404"}}, {"US2700K", {"0.46", "0.41"}},
    };
    return points.value(screen);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    framework::PrepareApplication();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);

    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        ambrix::RegisterScreens(nav);
        // Each screen alone: the next one opens before the last one goes,
        // so the program never ends on the way.
        QString previous;
        auto open = [&](const QString &screen) {
            nav.ShowScreen(screen);
            if (!previous.isEmpty())
                nav.UnloadScreen(previous);
            previous = screen;
        };
        for (const char *screen : {"Form1", "Form2", "Form3", "Form4", "Form5", "Form6"}) {
            open(screen);
            Save(nav, screen, out + "/ambrix-" + screen + ".png");
        }
        for (const char *standard : {"CN", "US"}) {
            for (const char *cct : {"6500K", "5000K", "4000K", "3500K", "3000K", "2700K"}) {
                const QString screen = QString::fromLatin1(standard) + QString::fromLatin1(cct);
                open(screen);
                const QStringList point = Point(screen);
                Type(nav, screen, "T1", point[0]);
                Type(nav, screen, "T2", point[1]);
                Press(nav, screen, "Command1");
                Save(nav, screen, out + "/ambrix-" + screen + ".png");
                if (screen == "CN4000K")
                    SaveAdditions(nav, screen, "Label5", out + "/additions-ambrix-" + screen);
            }
        }
    }
    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        cendrel::RegisterScreens(nav);
        nav.ShowScreen("F1");
        Save(nav, "F1", out + "/cendrel-F1.png");
        nav.GoToScreen("F1", "F4");
        Save(nav, "F4", out + "/cendrel-F4-fresh.png");
        Type(nav, "F4", "T1", "0.3127");
        Type(nav, "F4", "T2", "0.3290");
        Press(nav, "F4", "Command1");
        Wait(1200);
        Save(nav, "F4", out + "/cendrel-F4.png");
        SaveAdditions(nav, "F4", "L5", out + "/additions-cendrel-F4");
    }
    return 0;
}

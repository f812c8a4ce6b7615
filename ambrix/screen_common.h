#pragma once
// What the screens of ambrix share: their colours, fonts and pictures, the
// names of the screens they lead to, and a few controls that recur.

#include "ellipse.h"
#include "screen_description.h"
#include "screen_window.h"

#include <QString>

namespace ambrix {

// Colours, &H00BBGGRR&.
inline constexpr std::uint32_t kPaleYellow = 0x00C0FFFF;  // windows and most labels
inline constexpr std::uint32_t kPalePeach = 0x00C0E0FF;   // contact labels
inline constexpr std::uint32_t kMottoOrange = 0x000080FF; // text of the reference mottos

inline framework::FontSpec Song(double points, bool bold = false)
{
    return {QStringLiteral("宋体"), points, bold};
}
inline framework::FontSpec FangSong(double points)
{
    return {QStringLiteral("仿宋_GB2312"), points, false};
}
inline framework::FontSpec Kai(double points)
{
    return {QStringLiteral("楷体_GB2312"), points, false};
}

// A picture compiled into the program, by its file name in assets/ambrix.
inline QString Picture(const QString &file)
{
    return QStringLiteral(":/ambrix/") + file;
}

// The screens one screen leads to.
inline const QString kWelcomeScreen = QStringLiteral("Form1");
inline const QString kNitrideScreen = QStringLiteral("Form4");
inline const QString kSilicateScreen = QStringLiteral("Form5");
inline const QString kAluminateScreen = QStringLiteral("Form6");

// The selection screen of a standard: Form2 for GB, Form3 for ANSI.
inline QString SelectionScreenName(tolerance::ColourStandard standard)
{
    return standard == tolerance::ColourStandard::GB ? QStringLiteral("Form2")
                                                     : QStringLiteral("Form3");
}

// The calculator screen of a standard and nominal CCT: CN4000K, US4000K.
inline QString CalculatorScreenName(tolerance::ColourStandard standard, int nominalCct)
{
    return (standard == tolerance::ColourStandard::GB ? QStringLiteral("CN")
                                                      : QStringLiteral("US")) +
           QString::number(nominalCct) + QStringLiteral("K");
}

// A screen without controls or handlers yet: its name, caption, client size,
// back colour (none: the default) and placement (none: the system's).
inline framework::ScreenDefinition
EmptyScreen(const QString &name, const QString &caption, int clientWidth, int clientHeight,
            std::optional<std::uint32_t> backColour,
            std::optional<framework::TwipPoint> fixedPosition = std::nullopt)
{
    framework::ScreenDefinition def;
    def.description.name = name;
    def.description.caption = caption;
    def.description.clientWidth = clientWidth;
    def.description.clientHeight = clientHeight;
    def.description.backColour = backColour;
    def.description.fixedPosition = fixedPosition;
    return def;
}

// One 360 x 14 pixel row of orange and yellow dots, cut off at 355 pixels.
inline framework::ControlDescription DotStrip(int index, int left, int top)
{
    return framework::Image(QStringLiteral("Image3"), index, {left, top, 5325, 210},
                            Picture(QStringLiteral("DotStrip.png")));
}

// A label with the author's contact line, on pale peach.
inline framework::ControlDescription ContactLabel(const QString &name, framework::TwipRect rect,
                                                  const QString &text, int tabIndex)
{
    return framework::Label(name, -1, rect, text, Song(10.5), kPalePeach, tabIndex);
}

// A picture box, with what a screen reader says for it.
inline framework::ControlDescription NamedPictureBox(const QString &name, framework::TwipRect rect,
                                                     const QString &picture,
                                                     const QString &accessibleName, int tabIndex)
{
    auto box = framework::PictureBox(name, rect, picture, tabIndex);
    box.accessibleName = accessibleName;
    return box;
}

} // namespace ambrix

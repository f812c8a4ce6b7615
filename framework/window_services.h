#pragma once
// What every screen needs from the windowing layer: units, colours, fonts,
// the modal message box and the clock text.

#include "screen_description.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QString>
#include <QTime>

class QWidget;

namespace framework {

// 15 twips to the pixel at 96 dpi.
int TwipsToPixels(int twips);

// &H00BBGGRR& to a colour: red is the low byte, blue the high one.
QColor ColourFromCode(std::uint32_t code);

// The font of a control: the Windows face mapped to an installed face of
// the same style, the size in points at 96 dpi.
QFont FontFor(const FontSpec &face);
// The platform's default control font of the original desktop: 宋体 9 pt.
FontSpec DefaultControlFont();

// Maps the Windows faces to installed faces and sets the default control
// font; call once after the QApplication exists.
void PrepareApplication();

// Adds the fonts in the folder fonts/ beside the program, where the Windows
// build ships the faces its pictures and reports are drawn with (Linux
// has them installed); nothing when there is none. Call once a Qt GUI
// application exists.
void UseFontsBesideProgram();

// The buttons value of a message box: the information icon and one OK button.
inline constexpr int kInformationOk = 64;

// A modal message box with an icon chosen by the buttons value and one OK
// button. Returns when the user has dismissed it.
void ShowMessage(const QString &text, const QString &title, int buttons = kInformationOk,
                 QWidget *parent = nullptr);

// The local time of day with seconds, in the user's time format.
QString TimeOfDayText();
QString TimeOfDayText(const QTime &time, const QLocale &locale);

} // namespace framework

#pragma once
// The fixed description a screen is built from each time it opens: plain
// data, no widgets. Geometry is in twips (15 to the pixel at 96 dpi) and
// colours are written as &H00BBGGRR& values.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace framework {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TwipPoint {
    int left = 0;
    int top = 0;
};

struct FontSpec {
    QString face;        // a Windows face name such as 宋体; mapped at start-up
    double points = 9.0; // size in points
    bool bold = false;
};

enum class ControlKind { Label, TextEntry, CommandButton, PictureBox, Image, Timer };

struct ControlDescription {
    ControlKind kind = ControlKind::Label;
    QString name;                 // "Command1", "T1", "Image3"
    int index = -1;               // element of a control array, or -1
    QString caption;              // labels and buttons
    QString picture;              // resource path for images and picture boxes
    TwipRect rect;
    std::optional<FontSpec> font; // none: the platform's default control font
    std::optional<std::uint32_t> backColour;
    std::optional<std::uint32_t> foreColour;
    bool visible = true;
    int tabIndex = -1;            // place in the focus order; -1 for none
    int intervalMs = 0;           // timers only
    QString accessibleName;       // what a screen reader says for this control
    // A label whose caption must always be read whole (a computed number):
    // a caption wider than the label is drawn in a smaller size of its font.
    bool fitCaption = false;

    // "Image3(0)" for an array element, else the plain name.
    QString key() const
    {
        return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
    }
};

enum class Frame { Ordinary, FixedToolWindow };

struct ScreenDescription {
    QString name;                 // the screen's name, the navigator's key
    QString caption;              // the window's title
    Frame frame = Frame::Ordinary;
    int clientWidth = 0;          // twips
    int clientHeight = 0;         // twips
    std::optional<std::uint32_t> backColour;
    // Left and top of the client area in twips from the screen's top-left
    // corner; none: the window system's default position for new windows.
    std::optional<TwipPoint> fixedPosition;
    QString windowPicture;        // drawn at the top-left of the client area
    std::vector<ControlDescription> controls;
};

// Builders that keep the screens' control tables short and readable.
ControlDescription Label(const QString &name, int index, TwipRect rect, const QString &caption,
                        std::optional<FontSpec> font, std::optional<std::uint32_t> backColour,
                        int tabIndex);
ControlDescription TextEntry(const QString &name, TwipRect rect, std::optional<FontSpec> font,
                            int tabIndex);
ControlDescription Button(const QString &name, TwipRect rect, const QString &caption,
                          std::optional<FontSpec> font, int tabIndex);
ControlDescription PictureBox(const QString &name, TwipRect rect, const QString &picture,
                              int tabIndex);
ControlDescription Image(const QString &name, int index, TwipRect rect, const QString &picture);
ControlDescription Timer(const QString &name, int intervalMs);

} // namespace framework

#include "screen_description.h"

namespace framework {

namespace {
ControlDescription Make(ControlKind kind, const QString &name, int index, TwipRect rect,
                        int tabIndex)
{
    ControlDescription c;
    c.kind = kind;
    c.name = name;
    c.index = index;
    c.rect = rect;
    c.tabIndex = tabIndex;
    return c;
}
} // namespace

ControlDescription Label(const QString &name, int index, TwipRect rect, const QString &caption,
                        std::optional<FontSpec> font, std::optional<std::uint32_t> backColour,
                        int tabIndex)
{
    auto c = Make(ControlKind::Label, name, index, rect, tabIndex);
    c.caption = caption;
    c.font = font;
    c.backColour = backColour;
    return c;
}

ControlDescription TextEntry(const QString &name, TwipRect rect, std::optional<FontSpec> font,
                            int tabIndex)
{
    auto c = Make(ControlKind::TextEntry, name, -1, rect, tabIndex);
    c.font = font;
    return c;
}

ControlDescription Button(const QString &name, TwipRect rect, const QString &caption,
                          std::optional<FontSpec> font, int tabIndex)
{
    auto c = Make(ControlKind::CommandButton, name, -1, rect, tabIndex);
    c.caption = caption;
    c.font = font;
    return c;
}

ControlDescription PictureBox(const QString &name, TwipRect rect, const QString &picture,
                              int tabIndex)
{
    auto c = Make(ControlKind::PictureBox, name, -1, rect, tabIndex);
    c.picture = picture;
    return c;
}

ControlDescription Image(const QString &name, int index, TwipRect rect, const QString &picture)
{
    auto c = Make(ControlKind::Image, name, index, rect, -1);
    c.picture = picture;
    return c;
}

ControlDescription Timer(const QString &name, int intervalMs)
{
    auto c = Make(ControlKind::Timer, name, -1, {}, -1);
    c.intervalMs = intervalMs;
    return c;
}

} // namespace framework

#pragma once
// What cendrel's two screens have in common beyond the framework's control
// builders: both are fixed tool windows, and some controls carry a name for
// screen readers or start hidden.

#include "screen_description.h"

namespace cendrel {

// An empty fixed tool window with its client size in twips, placed by the
// system unless the caller gives it a position.
inline framework::ScreenDescription ToolWindow(const QString &name, const QString &caption,
                                               int clientWidth, int clientHeight)
{
    framework::ScreenDescription d;
    d.name = name;
    d.caption = caption;
    d.frame = framework::Frame::FixedToolWindow;
    d.clientWidth = clientWidth;
    d.clientHeight = clientHeight;
    return d;
}

// The control, with the name a screen reader announces for it.
inline framework::ControlDescription Spoken(framework::ControlDescription c,
                                            const QString &accessibleName)
{
    c.accessibleName = accessibleName;
    return c;
}

// The control, hidden when the screen opens.
inline framework::ControlDescription Hidden(framework::ControlDescription c)
{
    c.visible = false;
    return c;
}

} // namespace cendrel

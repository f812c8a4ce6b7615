#pragma once
// The three reference screens: the maker's phosphor tables as pictures, one
// phosphor family each, opened beside a calculator screen.

#include "screen_description.h"
#include "screen_navigator.h"

#include <QString>
#include <optional>
#include <vector>

namespace ambrix {

struct ReferenceMember {
    QString screen;
    QString caption;
    int clientWidth;
    int clientHeight;
    QString picture;     // file name in assets/ambrix
    QString pictureName; // what a screen reader says for it
    framework::TwipRect pictureRect;
    framework::TwipRect mottoRect;
    QString backButton; // the "返 回" that closes the screen
    framework::TwipRect backRect;
    // A second "返 回" that does nothing, left at the right edge.
    std::optional<framework::TwipRect> idleButtonRect;
};

const std::vector<ReferenceMember> &ReferenceMembers();

framework::ScreenDefinition ReferenceScreen(const ReferenceMember &member);

void RegisterReferenceScreens(framework::ScreenNavigator &navigator);

} // namespace ambrix

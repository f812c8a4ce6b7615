#pragma once
// The two selection screens, Form2 for GB and Form3 for ANSI: the user picks
// the nominal CCT of the light source and goes on to its calculator screen.

#include "ellipse.h"
#include "screen_description.h"
#include "screen_navigator.h"

#include <QString>
#include <optional>
#include <vector>

namespace ambrix {

struct SelectionMember {
    QString screen;
    QString caption;
    tolerance::ColourStandard standard;
    QString title;
    int titleWidth;
    int promptWidth;
    int clientWidth;
    int clientHeight;
    std::optional<framework::TwipPoint> fixedPosition;
    std::vector<int> nominalCcts; // in tab order, row by row
    std::vector<int> columnLefts; // one a column; "返 回" and "关 闭" under the last
    bool photoBeforeContact;      // in the tab order
};

const std::vector<SelectionMember> &SelectionMembers();

// The message for a nominal CCT that has no tolerance ellipse.
QString NoEllipseMessage(int nominalCct);

framework::ScreenDefinition SelectionScreen(const SelectionMember &member);

void RegisterSelectionScreens(framework::ScreenNavigator &navigator);

} // namespace ambrix

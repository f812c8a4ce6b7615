#pragma once
// The twelve calculator screens, one for each standard and nominal CCT: the
// user types a measured chromaticity point (x, y) and reads its tolerance in
// whole ellipse steps after "色容差=". The twelve share one layout and one
// behaviour; the member table holds what differs between them.

#include "ellipse.h"
#include "screen_navigator.h"

#include <QString>
#include <optional>
#include <vector>

namespace ambrix {

// The names the labels go by; the roles stay in place, the names differ.
struct CalculatorLabelNames {
    QString prompt;
    QString xLabel;
    QString yLabel;
    QString caption; // "色容差="
    QString result;  // the tolerance
    QString heading; // over the reference buttons
};

// Where the keyboard focus starts and how Tab runs.
enum class CalculatorFocus {
    EntriesFirst,              // T1, T2, 计 算, 返 回, 氮化物, 硅酸盐, 铝酸盐
    EntriesFirstAluminateNext, // T1, T2, 计 算, 返 回, 铝酸盐, 硅酸盐, 氮化物
    ReferencesFirst,           // 铝酸盐, 硅酸盐, 氮化物, T2, T1, 计 算, 返 回
};

struct CalculatorMember {
    QString screen;
    QString caption;
    tolerance::ColourStandard standard;
    int nominalCct;
    const CalculatorLabelNames *labels;
    CalculatorFocus focus = CalculatorFocus::EntriesFirst;
    int resultTop = 1680;                       // "色容差=" and the number
    std::optional<double> resultPoints = 14.25; // 宋体; none: the default font
    int resultWidth = 1335;
    int captionWidth = 1095;
    int captionHeight = 495;
    int computeWidth = 1455;
    int backWidth = 1455;
    int yEntryWidth = 1455;
    int yLabelLeft = 3600;
};

const std::vector<CalculatorMember> &CalculatorMembers();

framework::ScreenDefinition CalculatorScreen(const CalculatorMember &member);

void RegisterCalculatorScreens(framework::ScreenNavigator &navigator);

} // namespace ambrix

#include "calculator_screens.h"

#include "companions.h"
#include "contact.h"
#include "entry.h"
#include "number_rules.h"
#include "screen_common.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace ambrix {

namespace {

using framework::ControlDescription;
using framework::ScreenContext;
using tolerance::ColourStandard;

// clang-format off
// The three naming schemes of the labels: prompt, "X=", "Y=", "色容差=",
// the number, the reference heading.
const CalculatorLabelNames kFirstNaming{"Label2", "Label3", "Label4", "Label5", "Label1", "Label6"};
const CalculatorLabelNames kPromptSixNaming{"Label6", "Label2", "Label3", "Label4", "Label5", "Label1"};
const CalculatorLabelNames kCommonNaming{"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"};

enum class Role {
    XLabel, XEntry, YLabel, YEntry, Compute, Caption, Result, Back,
    Prompt, Nitride, Silicate, Aluminate, Contact, Heading,
};

// Every control with a place in the tab order, in that order; only the
// entries and buttons take the focus.
using TabOrder = std::array<Role, 14>;
constexpr TabOrder kEntriesFirst{
    Role::XLabel, Role::XEntry, Role::YLabel, Role::YEntry, Role::Compute, Role::Caption,
    Role::Result, Role::Back, Role::Prompt, Role::Nitride, Role::Silicate, Role::Aluminate,
    Role::Contact, Role::Heading};
constexpr TabOrder kAluminateNext{
    Role::XLabel, Role::XEntry, Role::YLabel, Role::YEntry, Role::Compute, Role::Caption,
    Role::Result, Role::Back, Role::Prompt, Role::Aluminate, Role::Silicate, Role::Nitride,
    Role::Contact, Role::Heading};
constexpr TabOrder kReferencesFirst{
    Role::Aluminate, Role::Silicate, Role::Nitride, Role::YLabel, Role::YEntry, Role::XLabel,
    Role::XEntry, Role::Compute, Role::Caption, Role::Result, Role::Back, Role::Prompt,
    Role::Contact, Role::Heading};
// clang-format on

int TabIndex(CalculatorFocus focus, Role role)
{
    const TabOrder &order = focus == CalculatorFocus::EntriesFirst ? kEntriesFirst
                            : focus == CalculatorFocus::EntriesFirstAluminateNext
                                ? kAluminateNext
                                : kReferencesFirst;
    return int(std::find(order.begin(), order.end(), role) - order.begin());
}

// The compute action of "计 算": read, warn about missing input, compute,
// reveal the caption, and show the number only for complete input. A text
// that is not a number or a point too far off stops it before anything on
// the screen changes.
void Compute(ScreenContext &screen, const CalculatorMember &member)
{
    const entry_rules::ChromaticityEntry entry =
        entry_rules::ReadChromaticity(screen.ReadText(QStringLiteral("T1")).toStdString(),
                                    screen.ReadText(QStringLiteral("T2")).toStdString());
    const bool missing = entry_rules::IsMissing(entry);
    if (missing) {
        const auto &message = entry_rules::MissingInputMessage;
        screen.ShowMessage(QString::fromUtf8(message.text.data(), qsizetype(message.text.size())),
                           QString::fromUtf8(message.title.data(), qsizetype(message.title.size())),
                           message.buttons);
    }
    const tolerance::ToleranceEllipse *ellipse =
        tolerance::FindEllipse(member.standard, member.nominalCct);
    if (!ellipse)
        throw std::logic_error("no tolerance ellipse for " + member.screen.toStdString());
    const std::int32_t steps = tolerance::ComputeTolerance(*ellipse, entry.x, entry.y);
    screen.SetVisible(member.labels->caption, true);
    if (missing) {
        companions::ReportMissingInput(screen);
        return;
    }
    const QString number = QString::fromStdString(entry_rules::IntegerText(steps));
    screen.SetCaption(member.labels->result, number);
    companions::ReportResult(screen, ellipse, member.labels->result, entry.x, entry.y, number);
}

} // namespace

const std::vector<CalculatorMember> &CalculatorMembers()
{
    using enum ColourStandard;
    // clang-format off
    static const std::vector<CalculatorMember> members{
        {.screen = "CN6500K", .caption = "CN6500K", .standard = GB, .nominalCct = 6500,
         .labels = &kFirstNaming, .focus = CalculatorFocus::EntriesFirstAluminateNext},
        {.screen = "CN5000K", .caption = "CN5000K", .standard = GB, .nominalCct = 5000,
         .labels = &kPromptSixNaming},
        {.screen = "CN4000K", .caption = "CN4000K", .standard = GB, .nominalCct = 4000,
         .labels = &kPromptSixNaming},
        {.screen = "CN3500K", .caption = "CN3500K", .standard = GB, .nominalCct = 3500,
         .labels = &kCommonNaming, .resultPoints = 12, .yLabelLeft = 3720},
        {.screen = "CN3000K", .caption = "CN3000K", .standard = GB, .nominalCct = 3000,
         .labels = &kCommonNaming, .resultTop = 1560, .resultPoints = 12, .yLabelLeft = 3720},
        {.screen = "CN2700K", .caption = "CN2700K", .standard = GB, .nominalCct = 2700,
         .labels = &kCommonNaming, .resultTop = 1560, .resultPoints = 12, .yEntryWidth = 1445,
         .yLabelLeft = 3720},
        {.screen = "US6500K", .caption = "US6500K", .standard = ANSI, .nominalCct = 6500,
         .labels = &kCommonNaming, .resultPoints = 12, .resultWidth = 1575, .captionWidth = 1215,
         .computeWidth = 1335},
        {.screen = "US5000K", .caption = "US5000K", .standard = ANSI, .nominalCct = 5000,
         .labels = &kCommonNaming, .resultPoints = 12, .resultWidth = 1575, .captionWidth = 1335,
         .computeWidth = 1215},
        {.screen = "US4000K", .caption = "US4000K", .standard = ANSI, .nominalCct = 4000,
         .labels = &kCommonNaming, .resultPoints = std::nullopt, .captionHeight = 375,
         .computeWidth = 1335},
        {.screen = "US3500K", .caption = "US3500k", .standard = ANSI, .nominalCct = 3500,
         .labels = &kCommonNaming, .focus = CalculatorFocus::ReferencesFirst, .resultTop = 1560,
         .resultPoints = std::nullopt, .yLabelLeft = 3720},
        {.screen = "US3000K", .caption = "US3000K", .standard = ANSI, .nominalCct = 3000,
         .labels = &kCommonNaming, .resultTop = 1560, .resultPoints = std::nullopt,
         .yLabelLeft = 3720},
        {.screen = "US2700K", .caption = "US2700K", .standard = ANSI, .nominalCct = 2700,
         .labels = &kCommonNaming, .resultTop = 1560, .resultPoints = 12, .backWidth = 1445,
         .yEntryWidth = 1445, .yLabelLeft = 3720},
    };
    // clang-format on
    return members;
}

framework::ScreenDefinition CalculatorScreen(const CalculatorMember &m)
{
    using framework::Button;
    using framework::Label;
    using framework::TextEntry;
    const CalculatorLabelNames &names = *m.labels;
    auto tab = [&m](Role role) { return TabIndex(m.focus, role); };

    framework::ScreenDefinition def = EmptyScreen(m.screen, m.caption, 6990, 3195, kPaleYellow);
    framework::ScreenDescription &d = def.description;

    ControlDescription xEntry =
        TextEntry("T1", {1560, 840, 1455, 375}, Song(12), tab(Role::XEntry));
    xEntry.accessibleName = QStringLiteral("x 坐标输入框");
    ControlDescription yEntry =
        TextEntry("T2", {3960, 840, m.yEntryWidth, 375}, Song(12), tab(Role::YEntry));
    yEntry.accessibleName = QStringLiteral("y 坐标输入框");
    ControlDescription caption =
        Label(names.caption, -1, {1680, m.resultTop, m.captionWidth, m.captionHeight},
              QStringLiteral("色容差="), Song(14.25), kPaleYellow, tab(Role::Caption));
    caption.visible = false;
    std::optional<framework::FontSpec> resultFont;
    if (m.resultPoints)
        resultFont = Song(*m.resultPoints);
    ControlDescription result = Label(names.result, -1, {2880, m.resultTop, m.resultWidth, 495},
                                      QString(), resultFont, kPaleYellow, tab(Role::Result));
    result.accessibleName = QStringLiteral("色容差结果");

    d.controls = {
        Label(names.prompt, -1, {120, 360, 4935, 495},
              QStringLiteral("请输入色坐标X,Y。Please text (X,Y)."), Song(12), kPaleYellow,
              tab(Role::Prompt)),
        Label(names.xLabel, -1, {1200, 840, 375, 375}, QStringLiteral("X="), Song(12), kPaleYellow,
              tab(Role::XLabel)),
        xEntry,
        Label(names.yLabel, -1, {m.yLabelLeft, 840, 735, 375}, QStringLiteral("Y="), Song(12),
              kPaleYellow, tab(Role::YLabel)),
        yEntry,
        Button("Command1", {120, 1560, m.computeWidth, 495}, QStringLiteral("计 算"),
               FangSong(10.5), tab(Role::Compute)),
        caption,
        result,
        Button("Command2", {5160, 1560, m.backWidth, 495}, QStringLiteral("返 回"), FangSong(10.5),
               tab(Role::Back)),
        DotStrip(0, 0, 2040),
        DotStrip(1, 0, 0),
        DotStrip(2, 2520, 0),
        DotStrip(3, 2160, 2040),
        Label(names.heading, -1, {720, 2280, 2295, 255}, QStringLiteral("Norvak荧光粉规格表速查"),
              Song(10.5, true), kPaleYellow, tab(Role::Heading)),
        Button("Command3", {120, 2640, 975, 375}, QStringLiteral("铝酸盐"), FangSong(9),
               tab(Role::Aluminate)),
        Button("Command4", {1320, 2640, 975, 375}, QStringLiteral("硅酸盐"), FangSong(9),
               tab(Role::Silicate)),
        Button("Command5", {2520, 2640, 975, 375}, QStringLiteral("氮化物"), FangSong(9),
               tab(Role::Nitride)),
        ContactLabel("Label7", {3600, 2400, 3615, 495}, contact::Greeting(), tab(Role::Contact)),
    };

    const QString selection = SelectionScreenName(m.standard);
    def.handlers = {
        {"Command1", [m](ScreenContext &screen) { Compute(screen, m); }},
        {"Command2", [selection](ScreenContext &screen) { screen.GoToScreen(selection); }},
        {"Command3", [](ScreenContext &screen) { screen.ShowScreen(kAluminateScreen); }},
        {"Command4", [](ScreenContext &screen) { screen.ShowScreen(kSilicateScreen); }},
        {"Command5", [](ScreenContext &screen) { screen.ShowScreen(kNitrideScreen); }},
    };
    companions::AddCompanions(def, tolerance::FindEllipse(m.standard, m.nominalCct));
    return def;
}

void RegisterCalculatorScreens(framework::ScreenNavigator &navigator)
{
    for (const CalculatorMember &member : CalculatorMembers())
        navigator.Register(member.screen, [&member] { return CalculatorScreen(member); });
}

} // namespace ambrix

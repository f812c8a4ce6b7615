#include "selection_screens.h"

#include "contact.h"
#include "screen_common.h"
#include "window_services.h"

namespace ambrix {

namespace {

using framework::ScreenContext;

// A nominal-CCT button leads to the calculator of that CCT; where the
// standard has no ellipse for it, it only says so.
framework::Handler NominalCctHandler(tolerance::ColourStandard standard, int cct)
{
    if (!tolerance::FindEllipse(standard, cct)) {
        return [cct](ScreenContext &screen) {
            screen.ShowMessage(NoEllipseMessage(cct), QStringLiteral("出错"),
                               framework::kInformationOk);
        };
    }
    const QString target = CalculatorScreenName(standard, cct);
    return [target](ScreenContext &screen) { screen.GoToScreen(target); };
}

} // namespace

const std::vector<SelectionMember> &SelectionMembers()
{
    using enum tolerance::ColourStandard;
    static const std::vector<SelectionMember> members{
        {.screen = "Form2",
         .caption = "中国标准GB-[Norvak荧光粉技术支持软件]",
         .standard = GB,
         .title = "中国标准GB",
         .titleWidth = 1935,
         .promptWidth = 6615,
         .clientWidth = 6780,
         .clientHeight = 4290,
         .fixedPosition = framework::TwipPoint{60, 450},
         .nominalCcts = {6500, 5000, 4000, 3500, 3000, 2700},
         .columnLefts = {480, 2640, 4680},
         .photoBeforeContact = false},
        {.screen = "Form3",
         .caption = "美国标准ANSI-[Norvak荧光粉技术支持软件]",
         .standard = ANSI,
         .title = "美国标准ANSI",
         .titleWidth = 2055,
         .promptWidth = 6975,
         .clientWidth = 6960,
         .clientHeight = 4305,
         .fixedPosition = std::nullopt,
         .nominalCcts = {6500, 5700, 5000, 4500, 4000, 3500, 3000, 2700},
         .columnLefts = {120, 1800, 3480, 5160},
         .photoBeforeContact = true},
    };
    return members;
}

QString NoEllipseMessage(int nominalCct)
{
    return QStringLiteral("目前没查到%1k色温的McAdam椭圆长轴短轴参数，抱歉").arg(nominalCct);
}

framework::ScreenDefinition SelectionScreen(const SelectionMember &m)
{
    using framework::Button;
    using framework::Label;

    framework::ScreenDefinition def = EmptyScreen(m.screen, m.caption, m.clientWidth,
                                                  m.clientHeight, kPaleYellow, m.fixedPosition);
    framework::ScreenDescription &d = def.description;

    d.controls = {
        Label("Label1", -1, {2280, 120, m.titleWidth, 375}, m.title, Song(15.75, true), kPaleYellow,
              0),
        Label("Label2", -1, {120, 720, m.promptWidth, 255},
              QStringLiteral("请选择对应的色温段/Please choose the color temperature."), Song(12),
              kPaleYellow, 1),
    };
    const int columns = int(m.columnLefts.size());
    int tabIndex = 2;
    int command = 1;
    for (int i = 0; i < int(m.nominalCcts.size()); ++i) {
        const int cct = m.nominalCcts[size_t(i)];
        const QString name = QStringLiteral("Command%1").arg(command++);
        d.controls.push_back(Button(
            name, {m.columnLefts[size_t(i % columns)], 1320 + 840 * (i / columns), 1575, 495},
            QStringLiteral("%1K").arg(cct), std::nullopt, tabIndex++));
        def.handlers[name] = NominalCctHandler(m.standard, cct);
    }
    const int right = m.columnLefts.back();
    const QString back = QStringLiteral("Command%1").arg(command++);
    const QString close = QStringLiteral("Command%1").arg(command++);
    d.controls.push_back(
        Button(back, {right, 3000, 1575, 495}, QStringLiteral("返 回"), std::nullopt, tabIndex++));
    d.controls.push_back(
        Button(close, {right, 3720, 1575, 495}, QStringLiteral("关 闭"), std::nullopt, tabIndex++));
    def.handlers[back] = [](ScreenContext &screen) { screen.GoToScreen(kWelcomeScreen); };
    def.handlers[close] = [](ScreenContext &screen) { screen.EndProgram(); };

    const int photoTab = m.photoBeforeContact ? tabIndex : tabIndex + 1;
    const int contactTab = m.photoBeforeContact ? tabIndex + 1 : tabIndex;
    d.controls.push_back(
        ContactLabel("Label6", {1800, 3240, 2655, 735}, contact::ClosedGreeting(), contactTab));
    d.controls.push_back(NamedPictureBox("Picture1", {240, 3120, 1455, 975},
                                         Picture(QStringLiteral("PhosphorPhoto.png")),
                                         QStringLiteral("荧光粉样品照片"), photoTab));
    return def;
}

void RegisterSelectionScreens(framework::ScreenNavigator &navigator)
{
    for (const SelectionMember &member : SelectionMembers())
        navigator.Register(member.screen, [&member] { return SelectionScreen(member); });
}

} // namespace ambrix

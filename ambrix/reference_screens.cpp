#include "reference_screens.h"

#include "screen_common.h"

namespace ambrix {

namespace {

const QString kMotto = QStringLiteral(
    "人生奋斗所经历的艰辛，就如同我们发明的新型发光材料一样，首先要蓄光，然后才能发光。"
    "如果我们每个人都能在工作中发出一点点光亮，那么我们的事业将会一路光明。");

} // namespace

const std::vector<ReferenceMember> &ReferenceMembers()
{
    static const std::vector<ReferenceMember> members{
        {.screen = kNitrideScreen,
         .caption = "Norvak硅氮化物荧光粉参数表",
         .clientWidth = 11835,
         .clientHeight = 8370,
         .picture = "NitrideTablePicture.bmp",
         .pictureName = "氮化物荧光粉参数表",
         .pictureRect = {0, 0, 11895, 7695},
         .mottoRect = {240, 7800, 6855, 495},
         .backButton = "Command1",
         .backRect = {9720, 7800, 1575, 495},
         .idleButtonRect = std::nullopt},
        {.screen = kSilicateScreen,
         .caption = "Norvak硅酸盐荧光粉参数表",
         .clientWidth = 9495,
         .clientHeight = 9270,
         .picture = "SilicateTablePicture.bmp",
         .pictureName = "硅酸盐荧光粉参数表",
         .pictureRect = {0, 0, 9495, 8655},
         .mottoRect = {0, 8760, 6855, 495},
         .backButton = "Command2",
         .backRect = {7800, 8760, 1455, 495},
         .idleButtonRect = framework::TwipRect{9480, 0, 1575, 495}},
        {.screen = kAluminateScreen,
         .caption = "Norvak铝酸盐荧光粉参数表",
         .clientWidth = 7425,
         .clientHeight = 9705,
         .picture = "AluminateTablePicture.bmp",
         .pictureName = "铝酸盐荧光粉参数表",
         .pictureRect = {0, 0, 7455, 9135},
         .mottoRect = {0, 9120, 6015, 615},
         .backButton = "Command1",
         .backRect = {6000, 9120, 1335, 495},
         .idleButtonRect = std::nullopt},
    };
    return members;
}

framework::ScreenDefinition ReferenceScreen(const ReferenceMember &m)
{
    framework::ScreenDefinition def =
        EmptyScreen(m.screen, m.caption, m.clientWidth, m.clientHeight, std::nullopt);
    framework::ScreenDescription &d = def.description;

    using framework::Button;
    int tabIndex = 0;
    d.controls.push_back(
        NamedPictureBox("Picture1", m.pictureRect, Picture(m.picture), m.pictureName, tabIndex++));
    if (m.idleButtonRect)
        d.controls.push_back(Button("Command1", *m.idleButtonRect, QStringLiteral("返 回"),
                                    std::nullopt, tabIndex++));
    framework::ControlDescription motto =
        framework::Label("Label1", -1, m.mottoRect, kMotto, Kai(9), std::nullopt, tabIndex++);
    motto.foreColour = kMottoOrange;
    d.controls.push_back(motto);
    d.controls.push_back(
        Button(m.backButton, m.backRect, QStringLiteral("返 回"), std::nullopt, tabIndex++));

    def.handlers[m.backButton] = [](framework::ScreenContext &screen) { screen.UnloadScreen(); };
    return def;
}

void RegisterReferenceScreens(framework::ScreenNavigator &navigator)
{
    for (const ReferenceMember &member : ReferenceMembers())
        navigator.Register(member.screen, [&member] { return ReferenceScreen(member); });
}

} // namespace ambrix

#include "welcome_screen.h"

#include "contact.h"
#include "screen_common.h"

namespace ambrix {

framework::ScreenDefinition WelcomeScreen()
{
    using framework::Button;
    using framework::Image;
    using framework::Label;
    using framework::ScreenContext;
    using tolerance::ColourStandard;

    framework::ScreenDefinition def =
        EmptyScreen(kWelcomeScreen, QStringLiteral("ambrix-[Norvak荧光粉技术支持软件5]"), 7635,
                    5280, kPaleYellow, framework::TwipPoint{60, 450});
    framework::ScreenDescription &d = def.description;

    const QString flowers = Picture(QStringLiteral("FlowerStrip.png"));
    d.controls = {
        Image("Image4", 1, {0, 0, 450, 12000}, flowers),
        Image("Image4", 0, {7200, 0, 450, 12000}, flowers),
        NamedPictureBox("Picture1", {480, 0, 6735, 1575},
                        Picture(QStringLiteral("WelcomeBanner.png")),
                        QStringLiteral("程序横幅：Norvak荧光粉技术支持软件"), 3),
        DotStrip(0, 480, 1800),
        DotStrip(1, 2520, 1800),
        // No back colour of its own: a band of the button face across the window.
        Label("Label2", -1, {480, 2040, 6495, 375},
              QStringLiteral("  请选择标准，GB为中国标准，ANSI为美国标准"), Song(15), std::nullopt,
              0),
        DotStrip(2, 480, 2400),
        DotStrip(3, 2520, 2400),
        Button("Command1", {960, 2760, 1815, 735}, QStringLiteral("GB"), Song(15.75), 1),
        Button("Command2", {4800, 2760, 1815, 735}, QStringLiteral("ANSI"), Song(15), 2),
        Image("Image5", -1, {600, 3720, 600, 570}, Picture(QStringLiteral("NoticeIcon.png"))),
        Label("Label6", 1, {1320, 3720, 5895, 855}, contact::EnglishAbout(), std::nullopt,
              kPaleYellow, 4),
        Image("Image6", -1, {480, 4680, 900, 390}, Picture(QStringLiteral("LinkEmblem.png"))),
        Label("Label6", 0, {1440, 4680, 5655, 735}, contact::ChineseAbout(), std::nullopt,
              kPaleYellow, 5),
    };

    const QString gb = SelectionScreenName(ColourStandard::GB);
    const QString ansi = SelectionScreenName(ColourStandard::ANSI);
    def.handlers = {
        {"Command1", [gb](ScreenContext &screen) { screen.GoToScreen(gb); }},
        {"Command2", [ansi](ScreenContext &screen) { screen.GoToScreen(ansi); }},
    };
    return def;
}

void RegisterWelcomeScreen(framework::ScreenNavigator &navigator)
{
    navigator.Register(kWelcomeScreen, &WelcomeScreen);
}

} // namespace ambrix

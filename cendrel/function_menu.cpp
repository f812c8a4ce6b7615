#include "function_menu.h"

#include "converter_screen.h"
#include "screen_parts.h"

namespace cendrel {

using namespace framework;

namespace {

const FontSpec kHeadingFont{QStringLiteral("宋体"), 14.25, true};
const FontSpec kEntryFont{QStringLiteral("宋体"), 15, true};

ScreenDescription Description()
{
    ScreenDescription d =
        ToolWindow(kMenuScreen, QStringLiteral("NorvakLED荧光粉技术支持专用软件"), 6705, 5235);
    // The logo lies under the banner and is never seen.
    d.windowPicture = QStringLiteral(":/cendrel/MenuLogo.gif");
    // The buttons stand 120 twips above their text lines; the banner and its
    // picture are cut off at the window's right edge.
    d.controls = {
        Spoken(PictureBox("P1", {0, 0, 6735, 1575}, ":/cendrel/MenuBanner.bmp", 0),
               QStringLiteral("NorvakLED荧光粉技术支持专用软件 横幅")),
        Label("Label1", -1, {2040, 1680, 2295, 375}, QStringLiteral("请选择相应功能"), kHeadingFont,
              std::nullopt, 1),
        Spoken(PictureBox("Picture1", {5280, 2160, 1215, 495}, ":/cendrel/SteelButton.gif", 2),
               QStringLiteral("功能 1 按钮：根据色坐标选择荧光粉")),
        Label("Label2", -1, {0, 2280, 4575, 375}, QStringLiteral("1.根据色坐标选择荧光粉请按"),
              kEntryFont, std::nullopt, 3),
        Label("Label3", -1, {0, 3000, 4455, 375}, QStringLiteral("2.了解各款荧光粉光学特性请按"),
              kEntryFont, std::nullopt, 4),
        Spoken(PictureBox("Picture2", {5280, 2880, 1215, 495}, ":/cendrel/RoseButton.gif", 5),
               QStringLiteral("功能 2 按钮：了解各款荧光粉光学特性")),
        Label("Label4", -1, {0, 3720, 4335, 375}, QStringLiteral("3.由cendrel请按"), kEntryFont,
              std::nullopt, 6),
        Spoken(PictureBox("Picture3", {5280, 3600, 1215, 495}, ":/cendrel/GreenButton.gif", 7),
               QStringLiteral("功能 3 按钮：打开 cendrel 色温换算")),
    };
    return d;
}

} // namespace

// Entries 1 and 2, the banner and the labels have no action.
ScreenDefinition FunctionMenuScreen()
{
    ScreenDefinition def;
    def.description = Description();
    def.handlers = {
        {"Picture3", [](ScreenContext &screen) { screen.GoToScreen(kConverterScreen); }}};
    return def;
}

} // namespace cendrel

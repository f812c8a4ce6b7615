#include "converter_screen.h"

#include "companions.h"
#include "contact.h"
#include "screen_parts.h"
#include "window_services.h"

#include "cct_estimator.h"
#include "entry.h"
#include "number_rules.h"

namespace cendrel {

using namespace framework;

namespace {

const QString kKai = QStringLiteral("楷体_GB2312");
const FontSpec kTextFont{kKai, 15.75, true};
const FontSpec kEntryFont{kKai, 21.75, true};
const FontSpec kClockFont{QStringLiteral("宋体"), 12, true};
constexpr std::uint32_t kBlue = 0x00FF0000;

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

ControlDescription BlueLabel(const QString &name, TwipRect rect, const QString &caption,
                             int tabIndex, const QString &accessibleName)
{
    ControlDescription c = Label(name, -1, rect, caption, kTextFont, std::nullopt, tabIndex);
    c.foreColour = kBlue;
    c.fitCaption = true;
    return Spoken(c, accessibleName);
}

ScreenDescription Description()
{
    ScreenDescription d = ToolWindow(kConverterScreen, QStringLiteral("cendrel"), 6780, 4695);
    d.fixedPosition = TwipPoint{4545, 3315};

    const QString author = QStringLiteral("此软件由NorvakLED荧光粉研发工程师Tavin编写，如有建议请Email:")
                           + kContactEmail + QStringLiteral("。");
    d.controls = {
        Spoken(PictureBox("Picture1", {0, 0, 6795, 1575}, ":/cendrel/ConverterBanner.gif", 0),
               QStringLiteral("cendrel 横幅")),
        Label("Label1", -1, {120, 1680, 6135, 375},
               QStringLiteral("请输入色坐标（X，Y）后点击计算"), kTextFont, std::nullopt, 1),
        Label("Label2", -1, {840, 2280, 375, 495}, "X=", kTextFont, std::nullopt, 2),
        Spoken(TextEntry("T1", {1320, 2160, 1695, 615}, kEntryFont, 3), QStringLiteral("x 坐标输入框")),
        Label("Label3", -1, {3600, 2280, 375, 375}, "Y=", kTextFont, std::nullopt, 4),
        Spoken(TextEntry("T2", {4080, 2160, 1695, 615}, kEntryFont, 5), QStringLiteral("y 坐标输入框")),
        Button("Command1", {1320, 3000, 1695, 615}, QStringLiteral("计  算"), kTextFont, 6),
        Button("Command2", {4080, 3000, 1695, 615}, QStringLiteral("关  闭"), kTextFont, 7),
        Label("Label4", -1, {120, 3840, 3855, 375}, QStringLiteral("此色坐标对应的色温为："),
              kTextFont, std::nullopt, 8),
        BlueLabel("L5", {4080, 3840, 2055, 375}, QString(), 9, QStringLiteral("色温结果")),
        Label("Label6", -1, {2640, 4320, 3975, 375}, author, std::nullopt, std::nullopt, 10),
        Spoken(Label("Label7", -1, {720, 4320, 1695, 255}, QString(), kClockFont, std::nullopt, 11),
               QStringLiteral("当前时间")),
        // Reaches past the right edge of the window, which cuts it off; the
        // "K" itself stays inside.
        Hidden(BlueLabel("L6", {6360, 3840, 855, 495}, QStringLiteral("K"), 12,
                         QStringLiteral("色温单位"))),
        Timer("Timer1", 1000),
    };
    return d;
}

// Reads the point, computes its colour temperature and shows it. The value
// is computed and written even for a missing point, which then hides the
// result again and asks for both coordinates. A text that is not a number
// and y = 0.187 stop the action before anything on the screen changes.
void Compute(ScreenContext &screen)
{
    const entry_rules::ChromaticityEntry point = entry_rules::ReadChromaticity(
        screen.ReadText("T1").toStdString(), screen.ReadText("T2").toStdString());
    const double cct = cct_estimator::EstimateCct(point.x, point.y);
    const QString number = FromUtf8(entry_rules::WholeNumberText(cct));
    screen.SetCaption("L5", number);
    screen.SetVisible("L5", true);
    screen.SetVisible("L6", true);
    if (entry_rules::IsMissing(point)) {
        screen.SetVisible("L6", false);
        screen.SetVisible("L5", false);
        companions::ReportMissingInput(screen);
        const auto &message = entry_rules::MissingInputMessage;
        screen.ShowMessage(FromUtf8(message.text), FromUtf8(message.title), message.buttons);
        return;
    }
    companions::ReportResult(screen, nullptr, "L5", point.x, point.y, number);
}

void ShowTimeOfDay(ScreenContext &screen)
{
    screen.SetCaption("Label7", TimeOfDayText());
}

} // namespace

ScreenDefinition ConverterScreen()
{
    ScreenDefinition def;
    def.description = Description();
    def.handlers = {
        {"Command1", Compute},
        {"Command2", [](ScreenContext &screen) { screen.EndProgram(); }},
        {"Timer1", ShowTimeOfDay},
    };
    companions::AddCompanions(def, nullptr);
    return def;
}

} // namespace cendrel

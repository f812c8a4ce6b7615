#include "companions.h"

#include "batch_window.h"
#include "diagram_window.h"
#include "exact_figures.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>

#include <charconv>

namespace companions {

namespace {

// The last result a screen showed, kept with its window for the copy and
// the diagram: the point as computed and the number as shown.
class LastResult : public QObject {
public:
    explicit LastResult(QObject *parent) : QObject(parent) { setObjectName(kName); }
    static constexpr const char *kName = "companions::LastResult";
    colorimetry::Xy point;
    QString number;
    bool hasPoint = false; // false after missing input (the diagram's view)
};

LastResult *Last(framework::ScreenContext &screen, bool create)
{
    QWidget &window = screen.Window();
    auto *last = dynamic_cast<LastResult *>(
        window.findChild<QObject *>(LastResult::kName, Qt::FindDirectChildrenOnly));
    if (!last && create)
        last = new LastResult(&window);
    return last;
}

QString FromUtf8(const std::string &text)
{
    return QString::fromStdString(text);
}

// The shortest decimal that reads back as the same double: 0.3805.
QString ShortestText(double v)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, ec == std::errc() ? end - buffer : 0);
}

// x, y, the screen's number, SDCM, CCT, Duv: one line that pastes into a
// spreadsheet as one row.
void CopyResult(framework::ScreenContext &screen, const tolerance::ToleranceEllipse *row)
{
    const LastResult *last = Last(screen, false);
    if (!last || last->number.isEmpty()) {
        screen.ShowMessage(QStringLiteral("还没有可复制的结果：请先输入色坐标 x、y 并计算。"),
                           QStringLiteral("出错"), 64);
        return;
    }
    const colorimetry::ExactFigures f = colorimetry::ExactFiguresOf(row, last->point);
    const QStringList fields{ShortestText(last->point.x), ShortestText(last->point.y),
                             last->number,
                             FromUtf8(colorimetry::SdcmField(f)),
                             FromUtf8(colorimetry::CctField(f)),
                             FromUtf8(colorimetry::DuvField(f))};
    QApplication::clipboard()->setText(fields.join(QLatin1Char('\t')) + QLatin1Char('\n'));
}

std::optional<colorimetry::Xy> DiagramPoint(framework::ScreenContext &screen)
{
    const LastResult *last = Last(screen, false);
    if (!last || !last->hasPoint)
        return std::nullopt;
    return last->point;
}

} // namespace

void AddCompanions(framework::ScreenDefinition &definition,
                   const tolerance::ToleranceEllipse *row)
{
    const batchui::Target target{row};
    definition.actions = {
        {QStringLiteral("复制结果"), QKeySequence::Copy,
         [row](framework::ScreenContext &screen) { CopyResult(screen, row); }},
        {QStringLiteral("批量计算…"), QKeySequence(Qt::CTRL | Qt::Key_O),
         [target](framework::ScreenContext &screen) {
             batchui::OpenBatchWindow(screen.Window(), target);
         }},
        {QStringLiteral("批量计算文件夹…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
         [target](framework::ScreenContext &screen) {
             batchui::OpenBatchFolder(screen.Window(), target);
         }},
        {QStringLiteral("色品图…"), QKeySequence(Qt::Key_F2),
         [row](framework::ScreenContext &screen) {
             diagram::ShowDiagramWindow(screen.Window(), row, DiagramPoint(screen));
         }},
    };
    definition.fileDropped = [target](framework::ScreenContext &screen, const QStringList &paths) {
        batchui::OpenBatchWindow(screen.Window(), target, paths);
    };
}

void ReportResult(framework::ScreenContext &screen, const tolerance::ToleranceEllipse *row,
                  const QString &resultControl, double x, double y, const QString &number)
{
    LastResult *last = Last(screen, true);
    last->point = {x, y};
    last->number = number;
    last->hasPoint = true;
    const colorimetry::ExactFigures f = colorimetry::ExactFiguresOf(row, last->point);
    screen.SetToolTip(resultControl, FromUtf8(colorimetry::ExactSummary(f, row != nullptr)));
    diagram::FollowPoint(screen.Window(), last->point);
}

void ReportMissingInput(framework::ScreenContext &screen)
{
    if (LastResult *last = Last(screen, false))
        last->hasPoint = false;
    diagram::FollowPoint(screen.Window(), std::nullopt);
}

} // namespace companions

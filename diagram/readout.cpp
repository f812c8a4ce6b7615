#include "readout.h"

#include "ansi_quadrangles.h"
#include "exact_figures.h"
#include "failures.h"

#include <cmath>

namespace diagram {

std::optional<int> ScreenSteps(const tolerance::ToleranceEllipse &row, Xy p)
{
    try {
        return tolerance::ComputeTolerance(row, p.x, p.y);
    } catch (const entry_rules::Failure &) {
        return std::nullopt;
    }
}

namespace {

QString StepsText(const tolerance::ToleranceEllipse &row, Xy p)
{
    const std::optional<int> steps = ScreenSteps(row, p);
    return steps ? QStringLiteral("色容差 %1 步（本程序）").arg(*steps)
                 : QStringLiteral("色容差：超出范围");
}

QString SdcmText(const tolerance::ToleranceEllipse &row, Xy p)
{
    return QStringLiteral("SDCM（IEC 60081）%1 步")
        .arg(colorimetry::StandardSdcm(row, p), 0, 'f', 2);
}

QString CctText(Xy p)
{
    const colorimetry::CctResult r = colorimetry::ExactCct(p);
    if (r.defined()) {
        return QStringLiteral("色温 %1 K · Duv %2")
            .arg(QString::fromStdString(colorimetry::FixedText(r.cct, 0)),
                 QString::fromStdString(colorimetry::FixedText(r.duv, 4, true)));
    }
    return QString::fromStdString(colorimetry::CctStateText(r));
}

} // namespace

QStringList Readout(const tolerance::ToleranceEllipse *row, Xy p)
{
    QStringList lines{QStringLiteral("x = %1  y = %2").arg(p.x, 0, 'f', 4).arg(p.y, 0, 'f', 4)};
    if (row) {
        lines << StepsText(*row, p) << SdcmText(*row, p);
    } else {
        for (auto standard : {tolerance::ColourStandard::GB, tolerance::ColourStandard::ANSI}) {
            const tolerance::ToleranceEllipse *nearest = colorimetry::NearestRow(standard, p);
            lines << QStringLiteral("最近 %1：").arg(RowName(*nearest))
                  << QStringLiteral("  ") + StepsText(*nearest, p)
                  << QStringLiteral("  ") + SdcmText(*nearest, p);
        }
    }
    lines << CctText(p) << AnsiQuadrangleText(p);
    return lines;
}

QString AnsiQuadrangleText(Xy p)
{
    const colorimetry::AnsiQuadrangle *q = colorimetry::AnsiQuadrangleOf(p);
    return q ? QStringLiteral("ANSI 四边形 %1").arg(QString::fromUtf8(q->name.data(), qsizetype(q->name.size())))
             : QStringLiteral("不在 ANSI 四边形内");
}

} // namespace diagram

// The command line of both programs: batch rating of a measurement file,
// --help and --version. It needs no display, except for --plot, which draws
// offscreen when there is none.

#include "command_line.h"

#include "batch_job.h"
#include "bin_file.h"
#include "file_sequence.h"

#include "diagram_window.h"
#include "program.h"
#include "window_services.h"
#include "report_file.h"
#include "row_pipeline.h"

#include "file_system.h"
#include "process.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <array>
#include <cstdio>
#include <memory>
#include <vector>

namespace batchui {

namespace {

// More threads than this would only wait for each other.
constexpr int kMostJobs = 256;

constexpr std::array<std::string_view, 25> kOptionNames{
    "--batch", "--help", "-h", "-?", "--help-all", "--version", "-v", "--standard", "--cct",
    "--max-steps", "-o", "--output", "--format", "--x-column", "--y-column", "--decimal-comma",
    "--plot", "--bins", "--tm30-bins", "--export-spdx", "--report", "--alpha-opic", "--min-ra", "--min-r9", "--jobs"};

// Whether the arguments hold the option, alone or as name=value.
bool Wants(const std::vector<std::string> &args, std::string_view name)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == name || (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '='))
            return true;
    }
    return false;
}

// Whether the arguments ask for the command line rather than the screens.
bool AsksForCommandLine(const std::vector<std::string> &args)
{
    return std::any_of(kOptionNames.begin(), kOptionNames.end(),
                       [&](std::string_view name) { return Wants(args, name); });
}

// Text for the user, right on a console whatever its code page.
void Say(std::FILE *stream, const QString &text)
{
    platform::WriteText(stream, text.toStdString());
}

int UsageError(const QString &program, const QString &message)
{
    Say(stderr, QStringLiteral("%1: %2\n用法见 %1 --help。\n").arg(program, message));
    return batch::kCannotRun;
}

// The row of the ellipse table the options name.
const tolerance::ToleranceEllipse *ChosenRow(const QString &standard, const QString &cct,
                                             QString &problem)
{
    const QString upper = standard.toUpper();
    if (upper != "GB" && upper != "ANSI") {
        problem = QStringLiteral("--standard 应为 GB 或 ANSI，而不是 “%1”。").arg(standard);
        return nullptr;
    }
    bool ok = false;
    const int kelvin = cct.toInt(&ok);
    const auto colourStandard =
        upper == "GB" ? tolerance::ColourStandard::GB : tolerance::ColourStandard::ANSI;
    const tolerance::ToleranceEllipse *row = ok ? tolerance::FindEllipse(colourStandard, kelvin) : nullptr;
    if (!row)
        problem = QStringLiteral("--cct 应为 6500、5000、4000、3500、3000 或 2700，而不是 “%1”"
                                 "（%2 没有 %1 K 的色容差椭圆）。")
                      .arg(cct, upper);
    return row;
}

// The dots a plot keeps at most, whatever the file's size (a uniform sample
// beyond), so that memory stays flat. NORVAK_PLOT_POINTS may lower it: the
// tests sample a small file so.
std::size_t PlotPoints(const QString &path)
{
    const std::size_t most = diagram::PlotPointsFor(path);
    bool ok = false;
    const qulonglong lower = qEnvironmentVariable("NORVAK_PLOT_POINTS").toULongLong(&ok);
    return ok && lower > 0 && lower < most ? std::size_t(lower) : most;
}

} // namespace

std::optional<int> RunCommandLine(int argc, char **argv, const QString &program)
{
    const std::vector<std::string> args = platform::Arguments(argc, argv);
    if (!AsksForCommandLine(args))
        return std::nullopt;
    platform::UseParentConsole();
    platform::UseBinaryStandardStreams();
    const bool ambrix = program == QLatin1String("ambrix");
    const bool plot = Wants(args, "--plot") || Wants(args, "--report");
    // Standard input and output as they were given, before Qt opens
    // descriptors of its own that may take their numbers.
    const bool noStdin = platform::IsClosed(platform::kStandardInput);
    const bool noStdout = platform::IsClosed(platform::kStandardOutput);

    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        if (plot) {
            if (!framework::HasDisplay())
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QGuiApplication>(argc, argv);
            framework::UseFontsBesideProgram();
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
    }
    QCoreApplication::setApplicationName(program);
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVAK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        ambrix ? QStringLiteral("按 GB 或 ANSI 的色容差椭圆批量计算测量文件中每个色坐标的色容差，"
                                "并给出标准的 SDCM、色温和 Duv。不带选项时打开程序的窗口。")
               : QStringLiteral("批量计算测量文件中每个色坐标的色温（程序的算法），并给出精确色温"
                                "和 Duv。不带选项时打开程序的窗口。"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption batchOption(
        "batch", QStringLiteral("逐行计算测量文件 IN（CSV、制表符或分号分隔；UTF-8 或 GB18030；CGATS；"
                                "IES TM-27 .spdx）；- 为标准输入。IN 之后可以再给文件；IN 也可以是文件夹"
                                "（读其中的测量文件，按文件名顺序），这时每行前加一列 “文件”。"),
        "IN");
    const QCommandLineOption standardOption(
        "standard", QStringLiteral("色容差标准：GB 或 ANSI。"), "GB|ANSI");
    const QCommandLineOption cctOption(
        "cct", QStringLiteral("额定色温：6500、5000、4000、3500、3000 或 2700。"), "K");
    const QCommandLineOption outOption(
        QStringList{"o", "output"},
        QStringLiteral("写到文件 OUT（先写临时文件，最后改名）；不给或 - 为标准输出。"), "OUT");
    const QCommandLineOption formatOption(
        "format", QStringLiteral("输出格式：csv（默认）或 json（每行一个 JSON 对象）。"),
        "csv|json", "csv");
    const QCommandLineOption maxStepsOption(
        "max-steps", QStringLiteral("有行超过 N 步时以状态 1 退出。"), "N");
    const QCommandLineOption xOption(
        "x-column", QStringLiteral("x 色坐标所在的列：列名或从 1 起的列号（默认按列名查找）。"),
        "COLUMN");
    const QCommandLineOption yOption(
        "y-column", QStringLiteral("y 色坐标所在的列：列名或从 1 起的列号（默认按列名查找）。"),
        "COLUMN");
    const QCommandLineOption commaOption(
        "decimal-comma",
        QStringLiteral("单元格中的逗号是小数点（“0,3805”），用于分号或制表符分隔的文件。"));
    const QCommandLineOption plotOption(
        "plot", QStringLiteral("另把色品图画到 FILE（.png、.svg 或 .pdf）；行数很多时图中只画"
                               "均匀抽样的点，图例仍给全部行数。"),
        "FILE");
    const QCommandLineOption binsOption(
        "bins", QStringLiteral("按分档文件 FILE 给每行分档（列 bin）：每行一个分档名和三个以上的角点 "
                               "x1,y1,x2,y2,…；重叠处归文件中靠前的分档。"),
        "FILE");
    const QCommandLineOption tm30BinsOption(
        "tm30-bins", QStringLiteral("光谱文件另给 TM-30 的 16 个色相区的 Rf,hj 和 Rcs,hj"
                                    "（列 rf_h1…rf_h16、rcs_h1…rcs_h16）。"));
    const QCommandLineOption alphaOpicOption(
        "alpha-opic", QStringLiteral("光谱文件另给 CIE S 026 全部五种 α-opic 的 DER 和 ELR"
                                     "（列 sc_der…mel_der、sc_elr…mel_elr），而不只是视黑素的 mel_der、mel_elr。"));
    const QCommandLineOption minRaOption(
        "min-ra", QStringLiteral("有行的 Ra 低于 N（或没有 Ra）时以状态 1 退出。"), "N");
    const QCommandLineOption minR9Option(
        "min-r9", QStringLiteral("有行的 R9 低于 N（或没有 R9）时以状态 1 退出。"), "N");
    parser.addOption(batchOption);
    if (ambrix) {
        parser.addOption(standardOption);
        parser.addOption(cctOption);
    }
    parser.addOption(outOption);
    parser.addOption(formatOption);
    if (ambrix)
        parser.addOption(maxStepsOption);
    parser.addOption(minRaOption);
    parser.addOption(minR9Option);
    const QCommandLineOption jobsOption(
        "jobs", QStringLiteral("用 N 个线程计算（默认：本机的全部 %1 个）；输出与 1 个线程时逐字节相同。")
                    .arg(batch::RowPipeline::MachineThreads()),
        "N");
    parser.addOption(jobsOption);
    parser.addOption(binsOption);
    parser.addOption(tm30BinsOption);
    parser.addOption(alphaOpicOption);
    parser.addOption(xOption);
    parser.addOption(yOption);
    parser.addOption(commaOption);
    parser.addOption(plotOption);
    const QCommandLineOption reportOption(
        "report", QStringLiteral("另写报告到 FILE：.pdf 为一个 A4 文件，先是整批的汇总页（多于一行时），"
                                 "然后每行一页；.png 每页一个文件（192 dpi），FILE-0001.png 起编号。"
                                 "IN 要读两遍，不能是标准输入；页数不限，内存不随行数增长。"),
        "FILE");
    parser.addOption(reportOption);
    const QCommandLineOption exportOption(
        "export-spdx", QStringLiteral("另把每个已计算的光谱行写成 IES TM-27 文件（.spdx），放进文件夹 DIR"
                                      "（不在时建立）：文件以样品名命名，保留测得的波长和数值。"),
        "DIR");
    parser.addOption(exportOption);

    QStringList arguments;
    for (const std::string &arg : args)
        arguments << QString::fromStdString(arg);
    if (!parser.parse(arguments))
        return UsageError(program, parser.errorText());
    if (parser.isSet(help)) {
        Say(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        Say(stdout, program + QStringLiteral(" " NORVAK_VERSION "\n"));
        return 0;
    }
    if (!parser.isSet(batchOption))
        return UsageError(program, QStringLiteral("缺少 --batch IN。"));

    batch::Job job;
    job.program = program.toStdString();
    job.version = NORVAK_VERSION;
    job.inPath = parser.value(batchOption).toStdString();
    // --batch IN IN…: the files after the options' values are read after IN.
    for (const QString &more : parser.positionalArguments()) {
        if (more.startsWith('-') && more != "-")
            return UsageError(program, QStringLiteral("不认识的选项 “%1”。").arg(more));
        job.moreInPaths.push_back(more.toStdString());
    }
    if (parser.isSet(exportOption)) {
        if (parser.value(exportOption).isEmpty())
            return UsageError(program, QStringLiteral("--export-spdx 需要一个文件夹。"));
        job.exportSpdx = parser.value(exportOption).toStdString();
    }
    if (parser.isSet(outOption) && parser.value(outOption).isEmpty())
        return UsageError(program, QStringLiteral("-o 需要一个文件名（- 为标准输出）。"));
    job.outPath = parser.isSet(outOption) ? parser.value(outOption).toStdString() : "-";
    auto tell = [&](const QString &message) { Say(stderr, program + QStringLiteral(": ") + message + QLatin1Char('\n')); };
    auto cannotRun = [&](const QString &message) {
        tell(message);
        return batch::kCannotRun;
    };
    if (job.inPath == "-" && noStdin)
        return cannotRun(QStringLiteral("没有标准输入（它已关闭）。请用 --batch IN 给出文件，"
                                        "或把文件重定向到标准输入。"));
    if (job.outPath == "-" && noStdout)
        return cannotRun(QStringLiteral("没有标准输出（它已关闭）。请用 -o OUT 给出输出文件。"));
    const QString format = parser.value(formatOption).toLower();
    if (format != "csv" && format != "json")
        return UsageError(program, QStringLiteral("--format 应为 csv 或 json，而不是 “%1”。")
                                       .arg(parser.value(formatOption)));
    job.format = format == "json" ? batch::Format::Json : batch::Format::Csv;
    if (ambrix) {
        if (!parser.isSet(standardOption) || !parser.isSet(cctOption))
            return UsageError(program, QStringLiteral("需要 --standard GB|ANSI 和 --cct K。"));
        QString problem;
        job.read.row = ChosenRow(parser.value(standardOption), parser.value(cctOption), problem);
        if (!job.read.row)
            return UsageError(program, problem);
        if (parser.isSet(maxStepsOption)) {
            bool ok = false;
            const int n = parser.value(maxStepsOption).toInt(&ok);
            if (!ok || n < 0)
                return UsageError(program, QStringLiteral("--max-steps 应为不小于 0 的整数，而不是 “%1”。")
                                               .arg(parser.value(maxStepsOption)));
            job.maxSteps = n;
        }
    }
    for (const auto &[option, limit] : {std::pair{&minRaOption, &job.minRa}, std::pair{&minR9Option, &job.minR9}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        const double n = parser.value(*option).toDouble(&ok);
        if (!ok || !std::isfinite(n))
            return UsageError(program, QStringLiteral("--%1 应为一个数，而不是 “%2”。")
                                           .arg(option->names().first(), parser.value(*option)));
        *limit = n;
    }
    job.jobs = batch::RowPipeline::MachineThreads();
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        const int n = parser.value(jobsOption).toInt(&ok);
        if (!ok || n < 1 || n > kMostJobs)
            return UsageError(program, QStringLiteral("--jobs 应为 1 到 %1 的整数，而不是 “%2”。")
                                           .arg(kMostJobs)
                                           .arg(parser.value(jobsOption)));
        job.jobs = n;
    }
    job.read.tm30Bins = parser.isSet(tm30BinsOption);
    job.read.alphaOpic = parser.isSet(alphaOpicOption);
    job.read.decimalComma = parser.isSet(commaOption);
    if (parser.isSet(binsOption)) {
        const QString path = parser.value(binsOption);
        const int fd = platform::OpenToRead(path.toStdString());
        if (fd < 0)
            return cannotRun(QStringLiteral("无法打开分档文件 “%1”：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        try {
            batch::BinFile file = batch::ReadBinFile(fd, job.read.decimalComma);
            platform::Close(fd);
            job.read.bins = std::make_shared<const colorimetry::BinSet>(std::move(file.bins));
        } catch (const batch::BinFileError &error) {
            platform::Close(fd);
            return UsageError(program, QStringLiteral("分档文件 “%1”：%2").arg(path, QString::fromUtf8(error.what())));
        } catch (const batch::ReadFailure &failure) {
            platform::Close(fd);
            return cannotRun(QStringLiteral("读取分档文件 “%1” 时出错：%2").arg(path, QString::fromUtf8(failure.what())));
        }
    }
    job.read.xColumn = parser.value(xOption).toStdString();
    job.read.yColumn = parser.value(yOption).toStdString();

    QString plotPath;
    std::unique_ptr<diagram::PlotSample> sample;
    if (parser.isSet(plotOption)) {
        plotPath = parser.value(plotOption);
        const QString suffix = plotPath.section('.', -1).toLower();
        if (suffix != "png" && suffix != "svg" && suffix != "pdf")
            return UsageError(program, QStringLiteral("--plot 的文件名应以 .png、.svg 或 .pdf 结尾。"));
        // Every row is counted; at most a fixed number keep their dot.
        sample = std::make_unique<diagram::PlotSample>(PlotPoints(plotPath));
        job.plotPath = plotPath.toStdString();
        job.onRow = [&sample, rated = job.read.row != nullptr](const batch::RatedRow &row) {
            if (row.rating.rated)
                sample->Add({row.rating.x, row.rating.y, rated ? row.rating.steps : -1,
                             std::int64_t(row.line)});
        };
    }

    // The report reads IN again, after the run (report/report_file.h). It
    // may overwrite none of IN, OUT (standard output included) and the plot.
    if (parser.isSet(reportOption) && parser.value(reportOption).isEmpty())
        return UsageError(program, QStringLiteral("--report 需要一个文件名（.pdf 或 .png）。"));
    const QString reportPath = parser.value(reportOption);
    std::vector<batch::Identity> reportOthers;
    if (!reportPath.isEmpty()) {
        if (job.inPath == "-")
            return UsageError(program, QStringLiteral("--report 要把输入读两遍，请用 --batch IN 给出文件，不能用标准输入。"));
        reportOthers.push_back(job.outPath == "-" ? batch::Identity{"标准输出", {}, platform::kStandardOutput}
                                                  : batch::Identity{"输出文件 “" + job.outPath + "”", job.outPath});
        if (!job.plotPath.empty())
            reportOthers.push_back({"色品图 “" + job.plotPath + "”", job.plotPath});
        std::vector<batch::Identity> all = reportOthers;
        for (const std::string &path : job.Inputs()) {
            if (!batch::IsFolder(path))
                all.push_back({"输入文件 “" + path + "”", path});
        }
        const QString problem = report::ReportPathProblem(reportPath, all);
        if (!problem.isEmpty())
            return UsageError(program, problem);
    }

    int status = batch::RunJob(job, stderr);
    if (status != batch::kCannotRun && !reportPath.isEmpty()) {
        report::FileReport request;
        request.reportPath = reportPath;
        request.inPath = QString::fromStdString(job.inPath);
        for (const std::string &path : job.moreInPaths)
            request.moreInPaths << QString::fromStdString(path);
        request.read = job.read;
        request.program = program;
        request.jobs = job.jobs;
        request.others = std::move(reportOthers);
        QString note;
        if (const QString problem = report::WriteFileReport(request, &note); !problem.isEmpty()) {
            status = cannotRun(problem);
        } else if (!note.isEmpty()) {
            tell(note);
        }
    }
    if (status == batch::kCannotRun || plotPath.isEmpty())
        return status;
    const QString problem = diagram::ExportBatchPlot(plotPath, job.read.row, std::move(*sample));
    if (!problem.isEmpty())
        return cannotRun(problem);
    return status;
}

} // namespace batchui

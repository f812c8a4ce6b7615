#include "batch_job.h"

#include "output_file.h"
#include "row_pipeline.h"
#include "summary.h"

#include "file_system.h"
#include "process.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace batch {

int RunJob(const Job &job, std::FILE *err)
{
    auto say = [&](const std::string &message) { platform::WriteText(err, job.program + ": " + message + "\n"); };
    auto fail = [&](const std::string &message) {
        say(message);
        return kCannotRun;
    };
    const bool fromStdin = job.inPath == "-";
    const bool toStdout = job.outPath == "-" || job.outPath.empty();
    const Identity in = fromStdin ? Identity{"标准输入", {}, platform::kStandardInput}
                                  : Identity{"输入文件 “" + job.inPath + "”", job.inPath};
    const Identity out = toStdout ? Identity{"标准输出", {}, platform::kStandardOutput}
                                  : Identity{"输出文件 “" + job.outPath + "”", job.outPath};
    const Identity plot{"色品图 “" + job.plotPath + "”", job.plotPath};
    const std::pair<const Identity *, const Identity *> written[] = {
        {&out, &in}, {&plot, &in}, {&plot, &out}};
    for (const auto &[file, other] : written) {
        if ((file != &plot || !job.plotPath.empty()) && SameFile(*file, *other))
            return fail(file->name + "与" + other->name + "是同一个文件，写出会覆盖它。请换一个文件名。");
    }
    if (!toStdout) {
        // A folder, by its name or by what is there.
        const platform::Kind kind = platform::KindAt(job.outPath);
        const bool folderName = platform::IsSeparator(job.outPath.back());
        if (folderName || kind == platform::Kind::Folder)
            return fail("“" + job.outPath + "” 是一个文件夹，不是文件。请给 -o 一个文件名，例如 “"
                        + job.outPath + (folderName ? "" : std::string(1, platform::kSeparator)) + "rated.csv”。");
        if (kind == platform::Kind::Block)
            return fail("“" + job.outPath + "” 是块设备，不会写它。请给 -o 一个普通文件名。");
    }

    int inFd = platform::kStandardInput;
    if (!fromStdin) {
        inFd = platform::OpenToRead(job.inPath);
        if (inFd < 0)
            return fail("无法打开输入文件 “" + job.inPath + "”：" + std::strerror(errno));
    }
    struct CloseInput {
        int fd;
        ~CloseInput()
        {
            if (fd != platform::kStandardInput)
                platform::Close(fd);
        }
    } closeInput{inFd};

    const std::string inName = fromStdin ? std::string("标准输入") : "“" + job.inPath + "”";
    try {
        BatchReader reader(inFd);
        const HeaderProblem problem = reader.Start(job.read);
        if (problem != HeaderProblem::None) {
            std::string message = inName + "：" + HeaderProblemText(problem, reader.layout(), job.read);
            if (problem == HeaderProblem::NoXColumn || problem == HeaderProblem::NoYColumn
                || problem == HeaderProblem::SameColumn)
                message += "请用 --x-column 和 --y-column 指定列（列名或从 1 起的列号）。";
            return fail(message);
        }

        OutputFile output;
        int outFd = platform::kStandardOutput;
        if (!toStdout) {
            if (!output.Open(job.outPath))
                return fail("无法写输出文件 “" + job.outPath + "”：" + std::strerror(errno));
            outFd = output.fd();
        }
        OutputBuffer out(outFd);
        RowWriter writer(out, job.format, reader.layout());
        Summary summary(job.read.row, job.maxSteps);
        summary.SetColourLimits(job.minRa, job.minR9);
        summary.SetBins(job.read.bins);
        writer.WriteHeader();
        auto tally = [&](const RatedRow &row) {
            summary.Add(row.rating, row.line);
            if (job.onRow)
                job.onRow(row);
        };
        if (job.jobs == 1) {
            RatedRow row;
            while (reader.Next(row)) {
                writer.Write(row);
                tally(row);
            }
        } else {
            // The threads write the rows' text too; here it is only copied out.
            RowPipeline pipeline(reader, job.jobs, job.format);
            pipeline.Run([&](const RowBlock &block) {
                out.Append(block.text());
                for (std::size_t i = 0; i < block.size(); ++i)
                    tally(block.row(i));
                return true;
            });
        }
        summary.SetReading(reader.layout());
        try {
            out.Flush();
            if (!toStdout && !output.Commit())
                throw WriteFailure(std::strerror(errno));
        } catch (const WriteFailure &failure) {
            return fail("无法写输出文件 “" + (toStdout ? std::string("标准输出") : job.outPath)
                        + "”：" + failure.what());
        }
        if (reader.layout().decimalComma != job.read.decimalComma)
            say("文件以逗号分隔，--decimal-comma 不起作用。");
        platform::WriteText(err, summary.Text());
        return summary.allGood() ? kAllRated : kSomeRowFailed;
    } catch (const ReadFailure &failure) {
        return fail("读取 " + inName + " 时出错：" + failure.what());
    } catch (const WriteFailure &failure) {
        return fail("无法写输出：" + std::string(failure.what()));
    }
}

} // namespace batch

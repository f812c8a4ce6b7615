#include "batch_job.h"

#include "file_sequence.h"
#include "output_file.h"
#include "spdx_export.h"
#include "row_pipeline.h"
#include "summary.h"

#include "file_system.h"
#include "process.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <cstring>
#include <utility>

namespace batch {

std::vector<std::string> Job::Inputs() const
{
    std::vector<std::string> inputs{inPath};
    inputs.insert(inputs.end(), moreInPaths.begin(), moreInPaths.end());
    return inputs;
}

bool Job::Several() const
{
    return !moreInPaths.empty() || IsFolder(inPath);
}

int RunJob(const Job &job, std::FILE *err)
{
    auto say = [&](const std::string &message) { platform::WriteText(err, job.program + ": " + message + "\n"); };
    auto fail = [&](const std::string &message) {
        say(message);
        return kCannotRun;
    };
    const std::vector<std::string> inputs = job.Inputs();
    const bool several = job.Several();
    const bool fromStdin = job.inPath == "-";
    if (several && std::find(inputs.begin(), inputs.end(), "-") != inputs.end())
        return fail("标准输入（-）只能单独读，不能与其他文件一起读。");
    const bool toStdout = job.outPath == "-" || job.outPath.empty();
    std::vector<Identity> ins;
    for (const std::string &path : inputs) {
        if (path == "-")
            ins.push_back({"标准输入", {}, platform::kStandardInput});
        else if (!IsFolder(path))
            ins.push_back({"输入文件 “" + path + "”", path});
    }
    const Identity out = toStdout ? Identity{"标准输出", {}, platform::kStandardOutput}
                                  : Identity{"输出文件 “" + job.outPath + "”", job.outPath};
    const Identity plot{"色品图 “" + job.plotPath + "”", job.plotPath};
    for (const Identity &in : ins) {
        for (const Identity *file : {&out, &plot}) {
            if ((file != &plot || !job.plotPath.empty()) && SameFile(*file, in))
                return fail(file->name + "与" + in.name + "是同一个文件，写出会覆盖它。请换一个文件名。");
        }
    }
    if (!job.plotPath.empty() && SameFile(plot, out))
        return fail(plot.name + "与" + out.name + "是同一个文件，写出会覆盖它。请换一个文件名。");
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
    std::vector<Identity> outputs{out};
    if (!job.plotPath.empty())
        outputs.push_back(plot);
    std::optional<SpdxExporter> exporter;
    if (!job.exportSpdx.empty()) {
        for (const std::string &path : inputs) {
            if (path != "-" && Place(job.exportSpdx) == Place(IsFolder(path) ? path : FolderOf(path)))
                return fail("--export-spdx 的文件夹 “" + job.exportSpdx + "” 是输入所在的文件夹：导出的文件可能覆盖输入。"
                            "请换一个文件夹。");
        }
        std::vector<Identity> keep = ins;
        keep.insert(keep.end(), outputs.begin(), outputs.end());
        exporter.emplace(job.exportSpdx, job.program + (job.version.empty() ? "" : " " + job.version), keep);
        if (const std::string problem = exporter->Prepare(); !problem.empty())
            return fail(problem);
    }

    int inFd = platform::kStandardInput;
    if (!fromStdin && !several) {
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
        std::optional<BatchReader> reader;
        std::optional<FileSequence> files;
        RowSource *source = nullptr;
        if (several) {
            files.emplace(inputs, job.read);
            files->Exclude(outputs);
            files->SetThreads(job.jobs);
            files->Start();
            if (files->files().empty())
                return fail(files->layout().fileNotes.empty() ? std::string("没有可读的测量文件。")
                                                               : files->layout().fileNotes.substr(0, files->layout().fileNotes.size() - 1));
            source = &*files;
        } else {
            reader.emplace(inFd);
            reader->SetSourceName(fromStdin ? std::string("标准输入") : StemOf(job.inPath));
            const HeaderProblem problem = reader->Start(job.read);
            if (problem != HeaderProblem::None) {
                std::string message = inName + "：" + HeaderProblemText(problem, reader->layout(), job.read);
                if (problem == HeaderProblem::NoXColumn || problem == HeaderProblem::NoYColumn
                    || problem == HeaderProblem::SameColumn)
                    message += "请用 --x-column 和 --y-column 指定列（列名或从 1 起的列号）。";
                return fail(message);
            }
            source = &*reader;
        }

        OutputFile output;
        int outFd = platform::kStandardOutput;
        if (!toStdout) {
            if (!output.Open(job.outPath))
                return fail("无法写输出文件 “" + job.outPath + "”：" + std::strerror(errno));
            outFd = output.fd();
        }
        OutputBuffer out(outFd);
        RowWriter writer(out, job.format, source->layout());
        Summary summary(job.read.row, job.maxSteps);
        summary.SetColourLimits(job.minRa, job.minR9);
        summary.SetBins(job.read.bins);
        writer.WriteHeader();
        bool exported = true;
        auto tally = [&](const RatedRow &row) {
            summary.Add(row.rating, row.line);
            if (job.onRow)
                job.onRow(row);
            if (exporter && exported)
                exported = exporter->Add(row, source->layout());
        };
        if (job.jobs == 1 && reader) {
            RatedRow row;
            while (reader->Next(row)) {
                writer.Write(row);
                tally(row);
            }
        } else {
            // The threads write the rows' text too; here it is only copied out.
            RowPipeline pipeline(*source, std::max(1, job.jobs), job.format);
            pipeline.Run([&](const RowBlock &block) {
                out.Append(block.text());
                for (std::size_t i = 0; i < block.size(); ++i)
                    tally(block.row(i));
                return true;
            });
        }
        summary.SetReading(source->layout());
        try {
            out.Flush();
            if (!toStdout && !output.Commit())
                throw WriteFailure(std::strerror(errno));
        } catch (const WriteFailure &failure) {
            return fail("无法写输出文件 “" + (toStdout ? std::string("标准输出") : job.outPath)
                        + "”：" + failure.what());
        }
        if (source->layout().decimalComma != job.read.decimalComma)
            say("文件以逗号分隔，--decimal-comma 不起作用。");
        platform::WriteText(err, summary.Text());
        if (exporter) {
            exporter->Finish();
            platform::WriteText(err, "已写出 " + std::to_string(exporter->written()) + " 个 TM-27 文件到 “"
                                         + job.exportSpdx + "”。\n");
            if (!exported)
                return fail(exporter->problem());
        }
        return summary.allGood() ? kAllRated : kSomeRowFailed;
    } catch (const ReadFailure &failure) {
        return fail("读取 " + inName + " 时出错：" + failure.what());
    } catch (const WriteFailure &failure) {
        return fail("无法写输出：" + std::string(failure.what()));
    }
}

} // namespace batch

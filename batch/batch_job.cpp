#include "batch_job.h"

#include "summary.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

namespace {

// The temporary output, removed by an interrupt as well as by a failure.
char g_temporaryPath[4096];

extern "C" void RemoveTemporaryAndExit(int signal)
{
    if (g_temporaryPath[0])
        ::unlink(g_temporaryPath);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class TemporaryOutput {
public:
    // Creates the temporary file beside path; false with errno set on failure.
    bool Create(const std::string &path)
    {
        path_ = path;
        temporary_ = path + ".XXXXXX";
        if (temporary_.size() >= sizeof g_temporaryPath) {
            errno = ENAMETOOLONG;
            return false;
        }
        fd_ = ::mkstemp(temporary_.data());
        if (fd_ < 0)
            return false;
        std::memcpy(g_temporaryPath, temporary_.c_str(), temporary_.size() + 1);
        std::signal(SIGINT, RemoveTemporaryAndExit);
        std::signal(SIGTERM, RemoveTemporaryAndExit);
        std::signal(SIGHUP, RemoveTemporaryAndExit);
        return true;
    }
    int fd() const { return fd_; }

    // Gives the file the permissions a new file (or the old OUT) has, and
    // puts it in OUT's place. false with errno set on failure.
    bool Commit()
    {
        struct stat old;
        mode_t mode;
        if (::stat(path_.c_str(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0)
            return false;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || ::rename(temporary_.c_str(), path_.c_str()) != 0)
            return false;
        committed_ = true;
        g_temporaryPath[0] = 0;
        return true;
    }

    ~TemporaryOutput()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_ && !temporary_.empty())
            ::unlink(temporary_.c_str());
        g_temporaryPath[0] = 0;
    }

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

} // namespace

int RunJob(const Job &job, std::FILE *err)
{
    const char *program = job.program.c_str();
    auto fail = [&](const std::string &message) {
        std::fprintf(err, "%s: %s\n", program, message.c_str());
        return kCannotRun;
    };
    const bool fromStdin = job.inPath == "-";
    const bool toStdout = job.outPath == "-" || job.outPath.empty();
    if (!fromStdin && !toStdout && (job.inPath == job.outPath || SameFile(job.inPath, job.outPath)))
        return fail("输出文件就是输入文件 “" + job.inPath + "”。请给 -o 另一个文件名。");

    int inFd = STDIN_FILENO;
    if (!fromStdin) {
        inFd = ::open(job.inPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (inFd < 0)
            return fail("无法打开输入文件 “" + job.inPath + "”：" + std::strerror(errno));
    }
    struct CloseInput {
        int fd;
        ~CloseInput()
        {
            if (fd != STDIN_FILENO)
                ::close(fd);
        }
    } closeInput{inFd};

    const std::string inName = fromStdin ? std::string("标准输入") : "“" + job.inPath + "”";
    try {
        BatchReader reader(inFd);
        const HeaderProblem problem = reader.Start(job.read);
        if (problem != HeaderProblem::None) {
            std::string message = inName + "：" + HeaderProblemText(problem, reader.layout());
            if (problem != HeaderProblem::Empty)
                message += "请用 --x-column 和 --y-column 指定列（列名或从 1 起的列号）。";
            return fail(message);
        }

        TemporaryOutput temporary;
        int outFd = STDOUT_FILENO;
        if (!toStdout) {
            if (!temporary.Create(job.outPath))
                return fail("无法写输出文件 “" + job.outPath + "”：" + std::strerror(errno));
            outFd = temporary.fd();
        }
        OutputBuffer out(outFd);
        RowWriter writer(out, job.format, reader.layout(), job.read.row);
        Summary summary(job.read.row, job.maxSteps);
        writer.WriteHeader();
        RatedRow row;
        while (reader.Next(row)) {
            writer.Write(row);
            summary.Add(row.rating);
            if (job.onRow)
                job.onRow(row);
        }
        try {
            out.Flush();
            if (!toStdout && !temporary.Commit())
                throw WriteFailure(std::strerror(errno));
        } catch (const WriteFailure &failure) {
            return fail("无法写输出文件 “" + (toStdout ? std::string("标准输出") : job.outPath)
                        + "”：" + failure.what());
        }
        if (reader.layout().decimalComma != job.read.decimalComma)
            std::fprintf(err, "%s: 文件以逗号分隔，--decimal-comma 不起作用。\n", program);
        std::fputs(summary.Text().c_str(), err);
        return summary.allGood() ? kAllRated : kSomeRowFailed;
    } catch (const ReadFailure &failure) {
        return fail("读取 " + inName + " 时出错：" + failure.what());
    } catch (const WriteFailure &failure) {
        return fail("无法写输出：" + std::string(failure.what()));
    }
}

} // namespace batch

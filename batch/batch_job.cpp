#include "batch_job.h"

#include "summary.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <utility>
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

// The file a path leads to once symlinks are followed (the path itself
// when it is none); the file need not exist.
std::string FollowLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        std::string target(std::size_t(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            break;
        target.resize(std::size_t(n));
        const std::size_t slash = path.rfind('/');
        path = target.starts_with('/') || slash == std::string::npos
                   ? target
                   : path.substr(0, slash + 1) + target;
    }
    return path;
}

// A name for the temporary file beside target that the file system takes:
// target's name, cut short if need be, and a unique ending.
std::string TemporaryName(const std::string &target)
{
    constexpr std::string_view kEnding = ".XXXXXX";
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = target.substr(nameStart);
    if (name.size() + kEnding.size() > NAME_MAX) {
        std::size_t cut = NAME_MAX - kEnding.size();
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 character
        name.resize(cut);
    }
    return target.substr(0, nameStart) + name + std::string(kEnding);
}

int ConnectSocket(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// OUT as it is written: a character device, FIFO or socket directly; any
// other file through a temporary file beside it, renamed over it at the end.
class OutputFile {
public:
    // Opens the file that path leads to; false with errno set on failure.
    bool Open(const std::string &path)
    {
        path_ = FollowLinks(path);
        struct stat info;
        if (::stat(path_.c_str(), &info) == 0
            && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
            direct_ = true;
            fd_ = S_ISSOCK(info.st_mode) ? ConnectSocket(path_)
                                         : ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
            return fd_ >= 0;
        }
        temporary_ = TemporaryName(path_);
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
        const int fd = fd_;
        fd_ = -1;
        if (direct_)
            return ::close(fd) == 0;
        struct stat old;
        mode_t mode;
        if (::stat(path_.c_str(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
            ::close(fd);
            return false;
        }
        if (::close(fd) != 0 || ::rename(temporary_.c_str(), path_.c_str()) != 0)
            return false;
        committed_ = true;
        g_temporaryPath[0] = 0;
        return true;
    }

    ~OutputFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!direct_ && !committed_ && !temporary_.empty())
            ::unlink(temporary_.c_str());
        g_temporaryPath[0] = 0;
    }

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool direct_ = false;
    bool committed_ = false;
};

// What stands at a name, or behind a descriptor: a file for SameFile.
struct Identity {
    std::string name; // for messages
    std::string path; // empty for a descriptor
    int fd = -1;
};

// The place of a path once symlinks are followed and its folder made
// absolute: two paths to a file not there yet compare by it.
std::string Place(const std::string &path)
{
    const std::string target = FollowLinks(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved))
        return target;
    return std::string(resolved) + "/" + target.substr(slash == std::string::npos ? 0 : slash + 1);
}

// Whether two names reach the same file: the same inode (regular files
// only, for descriptors), or for files not there yet the same place.
bool SameFile(const Identity &a, const Identity &b)
{
    struct stat sa, sb;
    const bool hasA = a.path.empty() ? ::fstat(a.fd, &sa) == 0 && S_ISREG(sa.st_mode)
                                     : ::stat(a.path.c_str(), &sa) == 0;
    const bool hasB = b.path.empty() ? ::fstat(b.fd, &sb) == 0 && S_ISREG(sb.st_mode)
                                     : ::stat(b.path.c_str(), &sb) == 0;
    if (hasA && hasB)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (a.path.empty() || b.path.empty())
        return false;
    return a.path == b.path || Place(a.path) == Place(b.path);
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
    const Identity in = fromStdin ? Identity{"标准输入", {}, STDIN_FILENO}
                                  : Identity{"输入文件 “" + job.inPath + "”", job.inPath};
    const Identity out = toStdout ? Identity{"标准输出", {}, STDOUT_FILENO}
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
        struct stat info;
        const bool exists = ::stat(job.outPath.c_str(), &info) == 0;
        if (job.outPath.ends_with('/') || (exists && S_ISDIR(info.st_mode)))
            return fail("“" + job.outPath + "” 是一个文件夹，不是文件。请给 -o 一个文件名，例如 “"
                        + job.outPath + (job.outPath.ends_with('/') ? "" : "/") + "rated.csv”。");
        if (exists && S_ISBLK(info.st_mode))
            return fail("“" + job.outPath + "” 是块设备，不会写它。请给 -o 一个普通文件名。");
    }

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
            std::string message = inName + "：" + HeaderProblemText(problem, reader.layout(), job.read);
            if (problem == HeaderProblem::NoXColumn || problem == HeaderProblem::NoYColumn
                || problem == HeaderProblem::SameColumn)
                message += "请用 --x-column 和 --y-column 指定列（列名或从 1 起的列号）。";
            return fail(message);
        }

        OutputFile output;
        int outFd = STDOUT_FILENO;
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
        RatedRow row;
        while (reader.Next(row)) {
            writer.Write(row);
            summary.Add(row.rating, row.line);
            if (job.onRow)
                job.onRow(row);
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

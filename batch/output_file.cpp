#include "output_file.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace batch {

namespace {

// The temporary output, removed by an interrupt as well as by a failure,
// and the thread that writes it: an interrupt that reaches another thread
// (one of Qt's) is handed on to it, so that the handler never runs while
// that thread is between making a temporary file and naming it here.
char g_temporaryPath[4096];
pthread_t g_writer;

sigset_t Interrupts()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

} // namespace

void KeepInterruptsFromThisThread()
{
    const sigset_t set = Interrupts();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

namespace {

extern "C" void RemoveTemporaryAndExit(int signal)
{
    if (!::pthread_equal(::pthread_self(), g_writer)) {
        ::pthread_kill(g_writer, signal);
        return;
    }
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

} // namespace

bool OutputFile::Open(const std::string &path)
{
    path_ = FollowLinks(path);
    struct stat info;
    if (::stat(path_.c_str(), &info) == 0
        && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
        direct_ = true;
        fd_ = S_ISSOCK(info.st_mode) ? ConnectSocket(path_) : ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        return fd_ >= 0;
    }
    temporary_ = TemporaryName(path_);
    if (temporary_.size() >= sizeof g_temporaryPath) {
        errno = ENAMETOOLONG;
        return false;
    }
    // No interrupt between making the file and naming it for the handler.
    const sigset_t interrupts = Interrupts();
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &before);
    fd_ = ::mkstemp(temporary_.data());
    const int error = errno;
    if (fd_ >= 0) {
        std::memcpy(g_temporaryPath, temporary_.c_str(), temporary_.size() + 1);
        g_writer = ::pthread_self();
        std::signal(SIGINT, RemoveTemporaryAndExit);
        std::signal(SIGTERM, RemoveTemporaryAndExit);
        std::signal(SIGHUP, RemoveTemporaryAndExit);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return fd_ >= 0;
}

bool OutputFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

bool OutputFile::Commit()
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
    if (::fchmod(fd, mode) != 0 || (synced_ && ::fsync(fd) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), path_.c_str()) != 0)
        return false;
    committed_ = true;
    g_temporaryPath[0] = 0;
    return true;
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!direct_ && !committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
    if (!temporary_.empty() && temporary_ == g_temporaryPath)
        g_temporaryPath[0] = 0;
}

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

std::string FileKey(const Identity &file)
{
    struct stat info;
    const bool there = file.path.empty() ? ::fstat(file.fd, &info) == 0 && S_ISREG(info.st_mode)
                                         : ::stat(file.path.c_str(), &info) == 0;
    if (there)
        return "inode " + std::to_string(info.st_dev) + " " + std::to_string(info.st_ino);
    return file.path.empty() ? std::string() : "place " + Place(file.path);
}

bool SameFile(const Identity &a, const Identity &b)
{
    const std::string key = FileKey(a);
    return !key.empty() && key == FileKey(b);
}

void SyncFileSystem(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
#ifdef __linux__
    ::syncfs(fd);
#else
    ::fsync(fd);
#endif
    ::close(fd);
}

} // namespace batch

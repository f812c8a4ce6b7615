#include "file_system.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

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

// A name for the temporary file beside target that the file system takes:
// target's name, cut short if need be, and mkstemp's unique ending.
std::string TemporaryName(const std::string &target)
{
    constexpr std::string_view kEnding = ".XXXXXX";
    const std::size_t nameStart = NameStart(target);
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

std::string InodeKey(const struct stat &info)
{
    return "inode " + std::to_string(info.st_dev) + " " + std::to_string(info.st_ino);
}

} // namespace

std::size_t NameStart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

int OpenToRead(const std::string &path, bool nonBlocking)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
}

std::ptrdiff_t Read(int fd, char *data, std::size_t size)
{
    while (true) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A descriptor left non-blocking by whoever gave it: wait for text.
            pollfd wait{fd, POLLIN, 0};
            ::poll(&wait, 1, -1);
            continue;
        }
        return n;
    }
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

bool Close(int fd)
{
    return ::close(fd) == 0;
}

bool IsClosed(int fd)
{
    return ::fcntl(fd, F_GETFD) < 0;
}

void UseBinaryStandardStreams() {}

Kind KindAt(const std::string &path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return Kind::None;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (S_ISBLK(info.st_mode))
        return Kind::Block;
    if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        return Kind::Direct;
    return Kind::File;
}

std::int64_t PlainFileSize(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? std::int64_t(info.st_size) : -1;
}

int OpenDirect(const std::string &path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        return ConnectSocket(path);
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

int CreateTemporaryBeside(const std::string &target, std::string &temporary)
{
    temporary = TemporaryName(target);
    if (temporary.size() >= sizeof g_temporaryPath) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // No interrupt between making the file and naming it for the handler.
    const sigset_t interrupts = Interrupts();
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &before);
    const int fd = ::mkstemp(temporary.data());
    const int error = errno;
    if (fd >= 0) {
        std::memcpy(g_temporaryPath, temporary.c_str(), temporary.size() + 1);
        g_writer = ::pthread_self();
        std::signal(SIGINT, RemoveTemporaryAndExit);
        std::signal(SIGTERM, RemoveTemporaryAndExit);
        std::signal(SIGHUP, RemoveTemporaryAndExit);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return fd;
}

bool PutInPlace(int fd, const std::string &temporary, const std::string &target, bool sync)
{
    struct stat old;
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || (sync && ::fsync(fd) != 0)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0)
        return false;
    if (temporary == g_temporaryPath)
        g_temporaryPath[0] = 0;
    return true;
}

void RemoveTemporary(const std::string &temporary)
{
    ::unlink(temporary.c_str());
    if (temporary == g_temporaryPath)
        g_temporaryPath[0] = 0;
}

void KeepInterruptsFromThisThread()
{
    const sigset_t set = Interrupts();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
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

std::string FollowLinks(const std::string &start)
{
    std::string path = start;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        std::string target(std::size_t(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            break;
        target.resize(std::size_t(n));
        const std::size_t nameStart = NameStart(path);
        path = target.starts_with('/') || nameStart == 0 ? target : path.substr(0, nameStart) + target;
    }
    return path;
}

std::string Place(const std::string &path)
{
    const std::string target = FollowLinks(path);
    const std::size_t nameStart = NameStart(target);
    const std::string folder = nameStart == 0 ? "." : target.substr(0, nameStart);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved))
        return target;
    return std::string(resolved) + "/" + target.substr(nameStart);
}

std::string FileKey(const std::string &path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0)
        return InodeKey(info);
    return "place " + Place(path);
}

std::string FileKey(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? InodeKey(info) : std::string();
}

} // namespace platform

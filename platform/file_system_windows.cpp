#include "file_system.h"

#include "windows_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <map>
#include <random>
#include <utility>

namespace platform {

using windows::SetErrno;
using windows::Utf8;
using windows::Wide;

namespace {

// The temporary output, removed by the console's handler as well as by a
// failure. The handler runs on a thread of its own, at any moment: the
// lock keeps it out while a temporary file is being made or put in place,
// so that it never misses one nor removes one already renamed.
SRWLOCK g_lock = SRWLOCK_INIT;
std::wstring g_temporary;
bool g_handlerSet = false;

BOOL WINAPI RemoveTemporaryAndExit(DWORD)
{
    // Ctrl+C, Ctrl+Break, the console closed, logoff or shutdown: the
    // program ends here, as by the default handler, with the lock held.
    AcquireSRWLockExclusive(&g_lock);
    if (!g_temporary.empty())
        DeleteFileW(g_temporary.c_str());
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

struct Locked {
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
};

bool IEquals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// The devices every folder holds by name, with any extension.
bool IsDosDevice(std::string_view name)
{
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    for (const std::string_view device : {"NUL", "CON", "PRN", "AUX", "CONIN$", "CONOUT$"})
        if (IEquals(name, device))
            return true;
    return name.size() == 4 && (IEquals(name.substr(0, 3), "COM") || IEquals(name.substr(0, 3), "LPT"))
           && name[3] >= '1' && name[3] <= '9';
}

// A device's name: Written (a pipe, NUL, CON, a serial port: written where
// it is), Refused (a disk or volume, \\.\C: or \\.\PhysicalDrive0) or None
// (a file's name).
enum class Device { None, Written, Refused };

Device DeviceOf(std::string_view path)
{
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '.'
        && IsSeparator(path[3])) {
        const std::string_view rest = path.substr(4);
        if (rest.size() > 5 && IEquals(rest.substr(0, 4), "pipe") && IsSeparator(rest[4]))
            return Device::Written;
        return IsDosDevice(rest) && rest.find_first_of("/\\") == std::string_view::npos ? Device::Written
                                                                                         : Device::Refused;
    }
    return IsDosDevice(path.substr(NameStart(path))) ? Device::Written : Device::None;
}

// A handle to ask about what stands at a name, links followed; it reads
// nothing and keeps no one from the file.
HANDLE OpenToAsk(const std::wstring &path)
{
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string IdentityKey(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return {};
    return "file " + std::to_string(info.dwVolumeSerialNumber) + " "
           + std::to_string(std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
}

// The path of an open file or folder as the file system spells it (links
// followed, letter case and long names as stored), without the \\?\ that
// the system puts before it.
std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
    if (n >= path.size()) {
        path.resize(n + 1);
        n = GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= path.size())
        return {};
    path.resize(n);
    if (path.starts_with(L"\\\\?\\UNC\\"))
        return L"\\" + path.substr(7);
    if (path.starts_with(L"\\\\?\\"))
        return path.substr(4);
    return path;
}

int DescriptorOf(HANDLE handle, int flags)
{
    const int fd = _open_osfhandle(intptr_t(handle), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

bool IsConsole(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

// Writes UTF-8 to a console as its wide characters. A character cut by the
// end of a block waits for the next block.
bool WriteToConsole(HANDLE console, std::string_view bytes)
{
    static std::map<HANDLE, std::string> pending;
    std::string &carry = pending[console];
    std::string text = carry + std::string(bytes);
    std::size_t complete = text.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, text.size()); ++back) {
        const auto c = static_cast<unsigned char>(text[text.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length > back)
            complete = text.size() - back;
        break;
    }
    carry = text.substr(complete);
    const std::wstring wide = Wide(std::string_view(text).substr(0, complete));
    for (std::size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, DWORD(std::min<std::size_t>(wide.size() - done, 1u << 14)),
                           &written, nullptr)) {
            SetErrno();
            return false;
        }
        done += written;
    }
    return true;
}

// A name for the temporary file beside target: target's name, cut short if
// need be, and a random ending.
std::string TemporaryName(const std::string &target, std::mt19937_64 &random)
{
    constexpr std::size_t kMostUnits = 255, kEndingSize = 7;
    const std::size_t nameStart = NameStart(target);
    std::string name = target.substr(nameStart);
    while (!name.empty() && Wide(name).size() + kEndingSize > kMostUnits) {
        // The last character, not a part of it.
        while (name.size() > 1 && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        name.pop_back();
    }
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string ending = ".";
    for (std::size_t i = 1; i < kEndingSize; ++i)
        ending += kLetters[random() % kLetters.size()];
    return target.substr(0, nameStart) + name + ending;
}

std::wstring Upper(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(text.data(), DWORD(text.size()));
    return text;
}

} // namespace

std::size_t NameStart(std::string_view path)
{
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string_view::npos)
        return separator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

int OpenToRead(const std::string &path, bool)
{
    return _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

std::ptrdiff_t Read(int fd, char *data, std::size_t size)
{
    return _read(fd, data, unsigned(std::min<std::size_t>(size, 1u << 30)));
}

bool WriteAll(int fd, std::string_view bytes)
{
    const auto handle = HANDLE(_get_osfhandle(fd));
    if (handle != INVALID_HANDLE_VALUE && IsConsole(handle))
        return WriteToConsole(handle, bytes);
    while (!bytes.empty()) {
        const int n = _write(fd, bytes.data(), unsigned(std::min<std::size_t>(bytes.size(), 1u << 30)));
        if (n < 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

bool Close(int fd)
{
    return _close(fd) == 0;
}

bool IsClosed(int fd)
{
    const intptr_t handle = _get_osfhandle(fd);
    return handle == -1 || handle == -2 || handle == 0;
}

void UseBinaryStandardStreams()
{
    for (const int fd : {kStandardInput, kStandardOutput, kStandardError})
        if (!IsClosed(fd))
            _setmode(fd, _O_BINARY);
}

Kind KindAt(const std::string &path)
{
    switch (DeviceOf(path)) {
    case Device::Written: return Kind::Direct;
    case Device::Refused: return Kind::Block;
    case Device::None: break;
    }
    const HANDLE handle = OpenToAsk(Wide(path));
    if (handle == INVALID_HANDLE_VALUE) {
        // Kept from everyone (a file another program holds): its attributes.
        const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return Kind::None;
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known)
        return Kind::None;
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
}

std::int64_t PlainFileSize(int fd)
{
    const auto handle = HANDLE(_get_osfhandle(fd));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK
        || !GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return std::int64_t(std::uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
}

int OpenDirect(const std::string &path)
{
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetErrno();
        return -1;
    }
    return DescriptorOf(handle, _O_WRONLY);
}

int CreateTemporaryBeside(const std::string &target, std::string &temporary)
{
    static std::mt19937_64 random(std::random_device{}() ^ GetTickCount64() ^ GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryName(target, random);
        const std::wstring wide = Wide(temporary);
        const Locked locked;
        // Shared for deleting: the console's handler removes it while it is open.
        const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            SetErrno(error);
            return -1;
        }
        const int fd = DescriptorOf(handle, _O_WRONLY);
        if (fd < 0) {
            DeleteFileW(wide.c_str());
            return -1;
        }
        g_temporary = wide;
        if (!std::exchange(g_handlerSet, true))
            SetConsoleCtrlHandler(RemoveTemporaryAndExit, TRUE);
        return fd;
    }
    errno = EEXIST;
    return -1;
}

bool PutInPlace(int fd, const std::string &temporary, const std::string &target, bool)
{
    // A new file's permissions are those the folder gives: the temporary
    // file has them already. Each file is written through: Windows flushes
    // a whole volume only for an administrator.
    if (!FlushFileBuffers(HANDLE(_get_osfhandle(fd)))) {
        SetErrno();
        _close(fd);
        return false;
    }
    if (_close(fd) != 0)
        return false;
    const std::wstring from = Wide(temporary);
    const Locked locked;
    if (!MoveFileExW(from.c_str(), Wide(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetErrno();
        return false;
    }
    if (g_temporary == from)
        g_temporary.clear();
    return true;
}

void RemoveTemporary(const std::string &temporary)
{
    const std::wstring wide = Wide(temporary);
    const Locked locked;
    DeleteFileW(wide.c_str());
    if (g_temporary == wide)
        g_temporary.clear();
}

void KeepInterruptsFromThisThread() {}

std::string FollowLinks(const std::string &path)
{
    if (DeviceOf(path) != Device::None)
        return path;
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    const HANDLE handle = OpenToAsk(wide);
    if (handle == INVALID_HANDLE_VALUE)
        return path; // a link that leads nowhere: written as a file of its own
    const std::wstring final = FinalPath(handle);
    CloseHandle(handle);
    return final.empty() ? path : Utf8(final);
}

std::string Place(const std::string &path)
{
    const std::string target = FollowLinks(path);
    if (DeviceOf(target) != Device::None)
        return target;
    const std::wstring wide = Wide(target);
    std::wstring full(std::max<DWORD>(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), 1), L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return target;
    full.resize(n);
    const std::size_t separator = full.find_last_of(L'\\');
    if (separator == std::wstring::npos)
        return Utf8(full);
    std::wstring folder = full.substr(0, separator + 1);
    const HANDLE handle = OpenToAsk(folder);
    if (handle != INVALID_HANDLE_VALUE) {
        if (std::wstring final = FinalPath(handle); !final.empty())
            folder = final.ends_with(L'\\') ? final : final + L'\\';
        CloseHandle(handle);
    }
    return Utf8(folder + full.substr(separator + 1));
}

std::string FileKey(const std::string &path)
{
    if (DeviceOf(path) != Device::None) // never opened: a pipe would take it for a client
        return "device " + Utf8(Upper(Wide(path.substr(NameStart(path)))));
    const HANDLE handle = OpenToAsk(Wide(path));
    if (handle != INVALID_HANDLE_VALUE) {
        std::string key = IdentityKey(handle);
        CloseHandle(handle);
        if (!key.empty())
            return key;
    }
    return "place " + Utf8(Upper(Wide(Place(path))));
}

std::string FileKey(int fd)
{
    const auto handle = HANDLE(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK)
        return {};
    return IdentityKey(handle);
}

void SyncFileSystem(const std::string &)
{
    // PutInPlace has written every file through already.
}

} // namespace platform

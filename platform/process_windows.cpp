#include "process.h"

#include "file_system.h"
#include "windows_text.h"

#include <shellapi.h>

#include <algorithm>
#include <bit>
#include <fcntl.h>
#include <io.h>
#include <thread>

namespace platform {

using windows::Utf8;
using windows::Wide;

namespace {

// Whether this program was linked as a console program (not a window one).
bool IsConsoleProgram()
{
    const auto base = reinterpret_cast<const BYTE *>(GetModuleHandleW(nullptr));
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The command line after the program's name, as CommandLineToArgvW reads
// the name: up to the closing quote, or up to the first blank.
std::wstring_view ArgumentsAfterProgram(std::wstring_view line)
{
    std::size_t end;
    if (line.starts_with(L'"')) {
        end = line.find(L'"', 1);
        end = end == std::wstring_view::npos ? line.size() : end + 1;
    } else {
        end = line.find_first_of(L" \t");
        end = end == std::wstring_view::npos ? line.size() : end;
    }
    return line.substr(end);
}

} // namespace

std::vector<std::string> Arguments(int argc, char **argv)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

void WriteText(std::FILE *stream, std::string_view utf8)
{
    std::fflush(stream);
    WriteAll(_fileno(stream), utf8);
}

void UseParentConsole()
{
    if (IsConsoleProgram() || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // Streams the parent handed on (redirected to a file or a pipe) stay;
    // the others become the console's.
    const struct {
        int fd;
        const wchar_t *device;
        DWORD handle;
        int flags;
    } streams[] = {{kStandardInput, L"CONIN$", STD_INPUT_HANDLE, _O_RDONLY},
                   {kStandardOutput, L"CONOUT$", STD_OUTPUT_HANDLE, _O_WRONLY},
                   {kStandardError, L"CONOUT$", STD_ERROR_HANDLE, _O_WRONLY}};
    for (const auto &stream : streams) {
        if (!IsClosed(stream.fd))
            continue;
        const HANDLE console = CreateFileW(stream.device, GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (console == INVALID_HANDLE_VALUE)
            continue;
        const int fd = _open_osfhandle(intptr_t(console), stream.flags | _O_BINARY);
        if (fd < 0)
            continue;
        _dup2(fd, stream.fd);
        _close(fd);
        SetStdHandle(stream.handle, HANDLE(_get_osfhandle(stream.fd)));
    }
}

bool HandOverToWindowProgram()
{
    if (!IsConsoleProgram())
        return false;
    std::wstring program = ProgramPath();
    if (program.size() < 4 || _wcsicmp(program.c_str() + program.size() - 4, L".com") != 0)
        return false;
    program.replace(program.size() - 4, 4, L".exe");
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    std::wstring line = L"\"" + program + L"\"" + std::wstring(ArgumentsAfterProgram(GetCommandLineW()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

int UsableCores()
{
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return std::popcount(std::uint64_t(process));
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool HasDesktop()
{
    return true;
}

} // namespace platform

#include "process.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#ifdef __linux__
#include <sched.h>
#endif

namespace platform {

std::vector<std::string> Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void WriteText(std::FILE *stream, std::string_view utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void UseParentConsole() {}

bool HandOverToWindowProgram()
{
    return false;
}

int UsableCores()
{
#ifdef __linux__
    // The cores this process may run on (taskset, a container's share).
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
#endif
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

bool HasDesktop()
{
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace platform

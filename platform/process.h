#pragma once
// The program's place among others: its command line, the console it
// writes to, the cores it may use, and whether there is a desktop for its
// windows. One implementation per platform: process_posix.cpp and
// process_windows.cpp.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The arguments as UTF-8, the program's name first. POSIX hands them on as
// they are; Windows reads the command line as UTF-16 (argv is in the ANSI
// code page, which loses Chinese names) and converts it once.
std::vector<std::string> Arguments(int argc, char **argv);

// Writes UTF-8 text to a standard stream: on a Windows console as wide
// characters (right whatever the console's code page), otherwise the bytes.
void WriteText(std::FILE *stream, std::string_view utf8);

// A window program given the command line's work: its output goes to the
// console it was started from, where it has none of its own (Windows'
// window programs; nothing elsewhere).
void UseParentConsole();

// The console twin of a window program (Windows: NAME.com beside NAME.exe)
// starts the window program with the same arguments and returns true; a
// program that is not such a twin returns false.
bool HandOverToWindowProgram();

// The cores this process may run on (an affinity mask, a container's
// share), at least 1.
int UsableCores();

// Whether there is a desktop to show windows on: an X or Wayland display
// on Linux; always on Windows.
bool HasDesktop();

} // namespace platform

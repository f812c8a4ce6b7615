#pragma once
// Files by their UTF-8 names on every platform, as descriptors of the C
// library (the wide names of Windows, binary mode and no inheritance by
// child processes everywhere), and the few questions about them the batch
// asks. One implementation per platform: file_system_posix.cpp and
// file_system_windows.cpp. Failures return -1 or false with errno set (on
// Windows too, from the system's error).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// The separator a path is written with: '/', or '\' on Windows, which takes
// '/' as well.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool IsSeparator(char c) { return c == '/' || c == '\\'; }
#else
inline constexpr char kSeparator = '/';
inline constexpr bool IsSeparator(char c) { return c == '/'; }
#endif

// Where the last part of a path (its file's name) begins: after the last
// separator, or on Windows after a drive's colon ("D:name"); 0 when the
// path is a bare name.
std::size_t NameStart(std::string_view path);

// Opens a file to read it. nonBlocking: a FIFO with no writer does not keep
// the open waiting (POSIX; nothing on Windows).
int OpenToRead(const std::string &path, bool nonBlocking = false);
// Reads up to size bytes: 0 at the end. Goes on after an interrupted call
// and waits for a descriptor that was left non-blocking.
std::ptrdiff_t Read(int fd, char *data, std::size_t size);
// Writes all of bytes. On Windows a console is written as text (its wide
// characters), whatever its code page.
bool WriteAll(int fd, std::string_view bytes);
bool Close(int fd);
// Whether the descriptor is not open (a standard stream closed by the
// parent, or a window program's that has none).
bool IsClosed(int fd);
// Standard input, output and error carry bytes as they are (Windows would
// turn LF into CR LF and stop at Ctrl-Z).
void UseBinaryStandardStreams();

// What stands at a name, links followed.
enum class Kind {
    None,    // nothing (or it cannot be told)
    File,    // a plain file
    Folder,
    Direct,  // written where it is, never replaced: a character device, FIFO
             // or socket; on Windows NUL, CON and the other devices, a pipe
    Block,   // a block device (a disk), never written
};
Kind KindAt(const std::string &path);
// The size of the plain file behind a descriptor; -1 when it is none.
std::int64_t PlainFileSize(int fd);

// Opens a name of Kind::Direct to write to it (a socket is connected).
int OpenDirect(const std::string &path);

// A new file beside target, named after it, that only this call made: its
// descriptor (writing), and its name in temporary. Until PutInPlace or
// RemoveTemporary, an interrupt (Ctrl+C, SIGTERM, SIGHUP, the console
// closed) removes it and ends the program.
int CreateTemporaryBeside(const std::string &target, std::string &temporary);
// Gives the temporary file the permissions of the target (or of a new
// file), writes it through to the disk, closes fd and renames it over the
// target in one step.
// sync false leaves the writing through to SyncFileSystem, for many small
// files at once.
bool PutInPlace(int fd, const std::string &temporary, const std::string &target, bool sync = true);
// Writes through to the disk every file of the file system that holds path
// (on Windows, that file or folder).
void SyncFileSystem(const std::string &path);
// Removes a temporary file that is not put in place.
void RemoveTemporary(const std::string &temporary);
// Keeps the interrupts that remove a temporary file from the calling
// thread, so that they reach the thread that writes (POSIX signals go to
// any thread). Nothing on Windows: the console's handler runs on a thread
// of its own and waits until no temporary file is being made or placed.
void KeepInterruptsFromThisThread();

// The file a path leads to once every symlink is followed, dangling ones
// too (the path itself when it is none).
std::string FollowLinks(const std::string &path);
// That file's place with its folder made absolute and canonical: two names
// of a file not there yet have the same place.
std::string Place(const std::string &path);
// Equal for two names (or descriptors) of one file, different otherwise:
// the device and inode on POSIX, the volume serial number and file index on
// Windows; for a name not there yet, its place (letter case ignored where
// the file system ignores it). Empty for a descriptor that is not a plain
// file.
std::string FileKey(const std::string &path);
std::string FileKey(int fd);

} // namespace platform

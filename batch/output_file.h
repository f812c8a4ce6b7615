#pragma once
// Writing an output so that it is never left half-written, and telling
// whether two names reach the same file. OUT, the plot, a PDF report and
// every page of a PNG report are written this way.
//
// An output that is a plain file (or a name not yet taken) is written to a
// temporary file beside it and renamed over it at the end: a failed or
// interrupted run (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl+C, Ctrl+Break or
// the console closed) leaves the old file, or none, and never a part. A
// symlink keeps pointing where it did: the file it leads to gets the new
// content, also when that file is not there yet. A character device, FIFO
// or socket (on Windows NUL, CON or a pipe) is written directly, never
// replaced. The system's calls are platform/'s.

#include <string>
#include <string_view>

namespace batch {

// What stands at a name, or behind a descriptor: a file for SameFile.
struct Identity {
    std::string name; // for messages
    std::string path; // empty for a descriptor
    int fd = -1;
};

// Whether two names reach the same file: the same inode (on Windows the
// same volume and file index; regular files only, for descriptors), or, for
// files not there yet, the same place once symlinks are followed (a
// dangling link reaches the file it names).
bool SameFile(const Identity &a, const Identity &b);

// What SameFile compares, for comparing many names at once: equal keys,
// not empty, are the same file. Empty for a descriptor that is not a
// regular file.
std::string FileKey(const Identity &file);

// The file a path leads to once every symlink is followed, dangling ones
// too, with its folder made absolute: two names of a file not there yet
// have the same place.
std::string Place(const std::string &path);

// Keeps the interrupts that remove a temporary output (SIGINT, SIGTERM,
// SIGHUP) from the calling thread, so that they reach the thread that
// writes: a thread that only rates calls it first. The handler then never
// runs while that thread is making the next temporary file. (Windows'
// console handler has a thread of its own and waits for that instead.)
void KeepInterruptsFromThisThread();

class OutputFile {
public:
    // Opens the file that path leads to; false with errno set on failure.
    bool Open(const std::string &path);
    int fd() const { return fd_; }
    // Writes all of bytes; false with errno set on failure.
    bool Write(std::string_view bytes);
    // Gives the file the permissions a new file (or the old one) has, and
    // puts it in its place. false with errno set on failure.
    bool Commit();
    // Many small files written in a row (exported spectra) are not each
    // flushed to the disk before they are renamed, which would cost a
    // disk's turn each: SyncFileSystem flushes them all at the end.
    void SkipSync() { synced_ = false; }
    // Removes the temporary file unless committed.
    ~OutputFile();

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool direct_ = false;
    bool committed_ = false;
    bool synced_ = true;
};

// Flushes what was written to the file system that holds path to the disk.
void SyncFileSystem(const std::string &path);

} // namespace batch

#include "output_file.h"

#include "file_system.h"

#include <utility>

namespace batch {

void KeepInterruptsFromThisThread()
{
    platform::KeepInterruptsFromThisThread();
}

bool OutputFile::Open(const std::string &path)
{
    path_ = platform::FollowLinks(path);
    if (platform::KindAt(path_) == platform::Kind::Direct) {
        direct_ = true;
        fd_ = platform::OpenDirect(path_);
        return fd_ >= 0;
    }
    fd_ = platform::CreateTemporaryBeside(path_, temporary_);
    return fd_ >= 0;
}

bool OutputFile::Write(std::string_view bytes)
{
    return platform::WriteAll(fd_, bytes);
}

bool OutputFile::Commit()
{
    const int fd = std::exchange(fd_, -1);
    if (direct_)
        return platform::Close(fd);
    if (!platform::PutInPlace(fd, temporary_, path_, synced_))
        return false;
    committed_ = true;
    return true;
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        platform::Close(fd_);
    if (!direct_ && !committed_ && !temporary_.empty())
        platform::RemoveTemporary(temporary_);
}

std::string Place(const std::string &path)
{
    return platform::Place(path);
}

std::string FileKey(const Identity &file)
{
    return file.path.empty() ? platform::FileKey(file.fd) : platform::FileKey(file.path);
}

bool SameFile(const Identity &a, const Identity &b)
{
    const std::string key = FileKey(a);
    return !key.empty() && key == FileKey(b);
}

void SyncFileSystem(const std::string &path)
{
    platform::SyncFileSystem(path);
}

} // namespace batch

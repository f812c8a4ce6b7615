#include "file_sequence.h"

#include "failures.h"

#include "file_system.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace batch {

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool IsMeasurementEnding(std::string ending)
{
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    constexpr std::string_view kEndings[] = {".csv", ".tsv", ".txt",   ".dat", ".spdx", ".xml",
                                             ".cgats", ".cgt", ".it8", ".ti3", ".sp"};
    return std::find(std::begin(kEndings), std::end(kEndings), ending) != std::end(kEndings);
}

// a before b, digits compared as numbers: "LED2" before "LED10".
bool NaturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            std::string_view da = a.substr(i, ei - i), db = b.substr(j, ej - j);
            while (da.size() > 1 && da.front() == '0')
                da.remove_prefix(1);
            while (db.size() > 1 && db.front() == '0')
                db.remove_prefix(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (da != db)
                return da < db;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;
}

std::string Quoted(const std::string &name)
{
    return "“" + entry_rules::QuotableText(name, 80) + "”";
}

} // namespace

bool IsFolder(const std::string &path)
{
    std::error_code error;
    return !path.empty() && path != "-" && fs::is_directory(PathOf(path), error);
}

std::string FileNameOf(const std::string &path)
{
    return path.substr(platform::NameStart(path));
}

std::string StemOf(const std::string &path)
{
    std::string name = FileNameOf(path);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

std::string FolderOf(const std::string &path)
{
    const std::size_t start = platform::NameStart(path);
    if (start == 0)
        return ".";
    // "D:name" is in D:'s current folder; "/x" and "D:\\x" in the root.
    const std::size_t cut = platform::IsSeparator(path[start - 1]) ? start - 1 : start;
    const bool root = cut == 0 || (cut + 1 == start && path[cut - 1] == ':');
    return path.substr(0, root ? cut + 1 : cut);
}

FolderFiles MeasurementFilesIn(const std::string &folder)
{
    FolderFiles result;
    std::error_code error;
    fs::directory_iterator entries(PathOf(folder), error);
    if (error)
        throw ReadFailure("无法列出文件夹 " + Quoted(folder) + " 里的文件：" + error.message());
    std::vector<std::pair<std::string, std::string>> found; // name, path
    for (const fs::directory_entry &entry : entries) {
        const std::string name = Utf8Of(entry.path().filename());
        std::error_code kind;
        if (!name.starts_with('.') && entry.is_regular_file(kind) && IsMeasurementEnding(Utf8Of(entry.path().extension())))
            found.emplace_back(name, Utf8Of(entry.path()));
        else
            ++result.others;
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return NaturalLess(a.first, b.first); });
    for (auto &file : found)
        result.files.push_back(std::move(file.second));
    return result;
}

// A file open for reading, its header read.
struct FileSequence::Open {
    int fd = -1;
    std::uint64_t size = 0;
    std::unique_ptr<BatchReader> reader;
    ~Open()
    {
        if (fd >= 0)
            platform::Close(fd);
    }
};

// Files opened ahead by threads of their own, in a window after the one
// the rows are read from, each with its header read.
struct FileSequence::Ahead {
    std::mutex mutex;
    std::condition_variable changed;
    struct Result {
        bool done = false;
        std::unique_ptr<Open> file;
        std::string message;
    };
    std::vector<Result> results;  // per file
    std::size_t given = 0;        // the next file a thread takes
    std::size_t window = 0;       // at most this many past the one taken last
    std::size_t taken = 0;        // files handed on
    bool stop = false;
    std::vector<std::thread> threads;
};

FileSequence::FileSequence(std::vector<std::string> inputs, ReadOptions options)
    : inputs_(std::move(inputs)), options_(std::move(options))
{
}

FileSequence::~FileSequence()
{
    if (!ahead_)
        return;
    {
        const std::lock_guard lock(ahead_->mutex);
        ahead_->stop = true;
    }
    ahead_->changed.notify_all();
    for (std::thread &thread : ahead_->threads)
        thread.join();
}

void FileSequence::OpenAhead()
{
    KeepInterruptsFromThisThread();
    Ahead &ahead = *ahead_;
    while (true) {
        std::size_t index = 0;
        {
            std::unique_lock lock(ahead.mutex);
            ahead.changed.wait(lock, [&] {
                return ahead.stop || (ahead.given < files_.size() && ahead.given < ahead.taken + ahead.window);
            });
            if (ahead.stop)
                return;
            index = ahead.given++;
        }
        std::string message;
        std::unique_ptr<Open> file = OpenFile(files_[index], message);
        {
            const std::lock_guard lock(ahead.mutex);
            ahead.results[index].file = std::move(file);
            ahead.results[index].message = std::move(message);
            ahead.results[index].done = true;
        }
        ahead.changed.notify_all();
    }
}

std::unique_ptr<FileSequence::Open> FileSequence::TakeNext(std::string &message)
{
    const std::size_t index = next_++;
    if (!ahead_)
        return OpenFile(files_[index], message);
    Ahead &ahead = *ahead_;
    std::unique_ptr<Open> file;
    {
        std::unique_lock lock(ahead.mutex);
        ahead.changed.wait(lock, [&] { return ahead.results[index].done; });
        file = std::move(ahead.results[index].file);
        message = std::move(ahead.results[index].message);
        ahead.taken = index + 1;
    }
    ahead.changed.notify_all();
    return file;
}

std::unique_ptr<FileSequence::Open> FileSequence::OpenFile(const std::string &path, std::string &message) const
{
    auto file = std::make_unique<Open>();
    file->fd = platform::OpenToRead(path);
    if (file->fd < 0) {
        message = "无法打开文件 " + Quoted(path) + "：" + std::strerror(errno);
        return nullptr;
    }
    std::error_code error;
    file->size = fs::file_size(PathOf(path), error);
    if (error)
        file->size = 0;
    try {
        // A small file gets a small block: ten thousand documents of a
        // few kilobytes each should not each clear a megabyte.
        const std::size_t block = std::size_t(std::clamp<std::uint64_t>(file->size + 1, 64u << 10, 1u << 20));
        file->reader = std::make_unique<BatchReader>(file->fd, block);
        file->reader->SetSourceName(StemOf(path));
        const HeaderProblem problem = file->reader->Start(options_);
        if (problem != HeaderProblem::None) {
            message = Quoted(FileNameOf(path)) + "：" + HeaderProblemText(problem, file->reader->layout(), options_);
            return nullptr;
        }
    } catch (const ReadFailure &failure) {
        message = "读取文件 " + Quoted(path) + " 时出错：" + failure.what();
        return nullptr;
    }
    return file;
}

void FileSequence::UseAsFirst(const Open &file)
{
    const Layout &first = file.reader->layout();
    firstHeader_ = first.header;
    layout_ = first;
    layout_.header.insert(layout_.header.begin(), std::string(kFileColumn));
    layout_.xColumn += 1;
    layout_.yColumn += 1;
    if (layout_.xOther)
        *layout_.xOther += 1;
    if (layout_.yOther)
        *layout_.yOther += 1;
    layout_.headerLine = first.headerLine;
    // What each file's reading finds is noted by file, as it ends.
    layout_.undecodableBytes = 0;
    layout_.firstUndecodableLine = 0;
    layout_.nulsNotUtf16 = false;
    layout_.metadata.clear();
    layout_.spectralNote.clear();
    layout_.incomplete = false;
}

std::shared_ptr<const FileRows> FileSequence::RowsOf(const std::string &path, const Open &file) const
{
    auto rows = std::make_shared<FileRows>();
    rows->rater = std::make_shared<const RowRater>(file.reader->MakeRater());
    rows->named = true;
    rows->name = FileNameOf(path);
    const std::vector<std::string> &header = file.reader->layout().header;
    rows->headerCells = header.size();
    std::vector<bool> taken(header.size());
    for (const std::string &name : firstHeader_) {
        std::ptrdiff_t column = -1;
        for (std::size_t k = 0; k < header.size(); ++k) {
            if (!taken[k] && header[k] == name) {
                taken[k] = true;
                column = std::ptrdiff_t(k);
                break;
            }
        }
        rows->columnOf.push_back(column);
    }
    for (std::size_t k = 0; k < header.size(); ++k) {
        if (!taken[k])
            rows->leftOver.push_back(k);
    }
    return rows;
}

void FileSequence::Exclude(const std::vector<Identity> &outputs)
{
    for (const Identity &output : outputs) {
        if (std::string key = FileKey(output); !key.empty())
            excluded_.push_back(std::move(key));
    }
}

void FileSequence::Start()
{
    std::size_t others = 0;
    for (const std::string &input : inputs_) {
        if (IsFolder(input)) {
            FolderFiles folder = MeasurementFilesIn(input);
            for (const std::string &file : folder.files) {
                const std::string key = FileKey(Identity{{}, file});
                if (std::find(excluded_.begin(), excluded_.end(), key) != excluded_.end())
                    folderNote_ += "文件夹里的 " + Quoted(FileNameOf(file)) + " 是这次的输出，没有当作输入读。\n";
                else
                    files_.push_back(file);
            }
            if (folder.files.empty())
                folderNote_ += "文件夹 " + Quoted(input) + " 里没有测量文件（.csv、.txt、.spdx 等）。\n";
            others += folder.others;
        } else {
            files_.push_back(input);
        }
    }
    if (others > 0)
        folderNote_ += "文件夹里另有 " + std::to_string(others) + " 项不是测量文件（或是子文件夹），没有读。\n";
    for (const std::string &file : files_) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(PathOf(file), error);
        totalBytes_ += error ? 0 : size;
    }
    layout_.fileNotes = folderNote_;
    if (threads_ > 1 && files_.size() > 1) {
        ahead_ = std::make_unique<Ahead>();
        ahead_->results.resize(files_.size());
        ahead_->window = std::size_t(threads_) * 4;
        for (int i = 0; i < threads_; ++i)
            ahead_->threads.emplace_back([this] { OpenAhead(); });
    }
    while (next_ < files_.size()) {
        const std::string &path = files_[next_];
        std::string message;
        if (std::unique_ptr<Open> file = TakeNext(message)) {
            UseAsFirst(*file);
            currentRows_ = RowsOf(path, *file);
            current_ = std::move(file);
            break;
        }
        failedFirst_.emplace_back(path, message);
    }
    if (!current_) {
        // No file could be read: the rows are the failures alone.
        layout_.header.assign(1, std::string(kFileColumn));
        layout_.columns = OutputColumns(options_.row);
        layout_.columns.bins = options_.bins;
    }
    layout_.fileNotes = folderNote_;
}

void FileSequence::Finish(Open &file)
{
    const Layout &read = file.reader->layout();
    const std::string name = FileNameOf(files_[next_ - 1]);
    std::string notes = ReadingNotes(read);
    if ((read.spectral != SpectralKind::None) != (layout_.spectral != SpectralKind::None) && layout_.header.size() > 1)
        notes += read.spectral != SpectralKind::None
                     ? "它是光谱文件，而输出的列按第一个可读的文件（色坐标文件）：光谱的指标没有写出。\n"
                     : "它是色坐标文件，而输出的列按第一个可读的文件（光谱文件）：光谱的指标是空的。\n";
    for (std::size_t start = 0; start < notes.size();) {
        std::size_t end = notes.find('\n', start);
        if (end == std::string::npos)
            end = notes.size();
        layout_.fileNotes += Quoted(name) + "：" + notes.substr(start, end - start) + "\n";
        start = end + 1;
    }
    layout_.undecodableBytes += read.undecodableBytes;
    layout_.incomplete = layout_.incomplete || read.incomplete;
    bytesDone_ += file.size;
}

std::uint64_t FileSequence::bytesRead() const
{
    return bytesDone_ + (current_ ? std::min(current_->reader->bytesRead(), current_->size) : 0);
}

bool FileSequence::ReadBlock(RowBlock &block)
{
    block.Clear();
    // A file that cannot be read: one failed row, with no cells but its name.
    auto fail = [&](const std::string &path, const std::string &message) {
        auto rows = std::make_shared<FileRows>();
        rows->rater = currentRows_ ? currentRows_->rater
                                   : std::make_shared<const RowRater>(Layout{}, options_, std::nullopt);
        rows->named = true;
        rows->name = FileNameOf(path);
        rows->columnOf.assign(layout_.header.size() - 1, -1);
        RatedRow row;
        static const std::vector<std::string> kNoCells;
        row.cells = &kNoCells;
        ReadFacts facts;
        facts.fault = ReadFacts::Fault::Unread;
        facts.problem = message;
        block.Keep(row, facts, rows);
    };
    for (const auto &[path, message] : failedFirst_)
        fail(path, message);
    failedFirst_.clear();
    while (!block.Full()) {
        if (!current_) {
            if (next_ >= files_.size())
                break;
            const std::string &path = files_[next_];
            std::string message;
            current_ = TakeNext(message);
            if (!current_) {
                fail(path, message);
                continue;
            }
            currentRows_ = RowsOf(path, *current_);
        }
        bool more = false;
        try {
            more = current_->reader->ReadInto(block, currentRows_);
        } catch (const ReadFailure &failure) {
            fail(files_[next_ - 1], "读取文件 " + Quoted(files_[next_ - 1]) + " 时出错：" + failure.what());
        }
        if (!more) {
            Finish(*current_);
            current_.reset();
        }
    }
    block.SetBytesRead(bytesRead());
    return !block.Empty();
}

} // namespace batch

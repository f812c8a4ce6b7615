#pragma once
// The rows of several measurement files, or of the files in a folder, one
// file after another, as one table: each row starts with its file's name
// (column "文件"), and a file's cells stand in the columns of the first
// file that could be read, matched by their header's names (cells no column
// takes follow the rating's, so none is lost). A file that cannot be read
// is one failed row naming it, not the end of the run. (One file alone is
// read by a BatchReader.)

#include "batch_reader.h"
#include "output_file.h"
#include "row_pipeline.h"

#include <cstdint>
#include <memory>
#include <thread>
#include <string>
#include <vector>

namespace batch {

// The column that names each row's file when several are read.
inline constexpr std::string_view kFileColumn = "文件";

// The files a folder holds that the reader takes (by their ending: .csv,
// .tsv, .txt, .dat, .spdx, .xml, .cgats, .cgt, .it8, .ti3, .sp), in name
// order, digits compared as numbers ("LED2" before "LED10"); and how many
// other entries it holds. Paths are UTF-8. Throws ReadFailure when the
// folder cannot be listed.
struct FolderFiles {
    std::vector<std::string> files;
    std::size_t others = 0;
};
FolderFiles MeasurementFilesIn(const std::string &folder);

// Whether a path names a folder.
bool IsFolder(const std::string &path);

// The name of a file as a row names it: without its folder; the same
// without its ending ("a/LED 1.spdx": "LED 1"); the folder it is in ("." for
// a bare name).
std::string FileNameOf(const std::string &path);
std::string StemOf(const std::string &path);
std::string FolderOf(const std::string &path);

class FileSequence final : public RowSource {
public:
    // inputs: files and folders, as the user gave them, UTF-8.
    FileSequence(std::vector<std::string> inputs, ReadOptions options);
    ~FileSequence() override;

    // Threads that open files and read their headers ahead of the rows
    // (a TM-27 document is parsed whole as it is opened); 1: none, each file
    // is opened when its rows are wanted. Before Start.
    void SetThreads(int threads) { threads_ = threads; }

    // Files a folder may hold that are not to be read: the outputs of the
    // run (a rerun would read its own OUT). Before Start.
    void Exclude(const std::vector<Identity> &outputs);

    // Lists the folders and reads the header of the first file that can be
    // read: the layout of the rows written, with "文件" first. Throws
    // ReadFailure when a folder cannot be listed.
    void Start();
    // The rows' columns, and what the reading found beside the rows, file
    // by file (Layout::fileNotes), so far.
    const Layout &layout() const override { return layout_; }
    bool ReadBlock(RowBlock &block) override;

    // The files read, in order (folders listed).
    const std::vector<std::string> &files() const { return files_; }
    // The bytes of all the files, and of those read so far, for progress.
    std::uint64_t totalBytes() const { return totalBytes_; }
    std::uint64_t bytesRead() const;

private:
    struct Open;
    struct Ahead;
    // Opens a file and reads its header; null (with message) when it
    // cannot be read. Called by the threads that open ahead too.
    std::unique_ptr<Open> OpenFile(const std::string &path, std::string &message) const;
    // The next file in order, opened (by a thread ahead, or here).
    std::unique_ptr<Open> TakeNext(std::string &message);
    void OpenAhead();
    void UseAsFirst(const Open &file);
    std::shared_ptr<const FileRows> RowsOf(const std::string &path, const Open &file) const;
    void Finish(Open &file);

    std::vector<std::string> inputs_;
    ReadOptions options_;
    std::vector<std::string> files_;
    std::size_t next_ = 0;          // the next file to open
    std::uint64_t totalBytes_ = 0;
    std::uint64_t bytesDone_ = 0;   // of the files finished
    std::unique_ptr<Open> current_;
    std::shared_ptr<const FileRows> currentRows_;
    // Files before the first that reads, each a failed row: name, message.
    std::vector<std::pair<std::string, std::string>> failedFirst_;
    std::string folderNote_;
    std::vector<std::string> excluded_; // FileKey of each output
    int threads_ = 1;
    std::unique_ptr<Ahead> ahead_;
    Layout layout_;
    std::vector<std::string> firstHeader_; // the first file's header, as read
};

} // namespace batch

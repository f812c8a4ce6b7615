#pragma once
// Writing each rated spectral row as an IES TM-27 document into a folder:
// the spectrum as measured (the file's own wavelengths and values), the
// header from the row's cells whose columns bear a TM-27 field's name, this
// program as DocumentCreator. Each file is named by the row's sample name,
// made safe for a file name on every system and unique in the folder, and
// written as OUT is: a temporary file beside it, renamed when whole.

#include "batch_reader.h"
#include "output_file.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace batch {

// A sample name as a file's name: characters no system takes in a name
// (/ \ : * ? " < > |, control characters) become "_", blanks and dots at
// either end go, names Windows keeps for devices (CON, NUL, COM1 …) get a
// "_", and a long name is cut (at a character's end) so that with its
// ending it stays within 200 bytes. Empty gives "光谱".
std::string SafeFileName(std::string_view name);

class SpdxExporter {
public:
    // folder: UTF-8; creator: DocumentCreator ("ambrix 1.0"). Files that
    // are not to be written over (the inputs, OUT, the plot): their
    // Identity.
    SpdxExporter(std::string folder, std::string creator, const std::vector<Identity> &keep);

    // Creates the folder when it is not there; the message when it cannot
    // be, or is no folder. Empty when it is ready.
    std::string Prepare();

    // Writes the row when it is a rated spectral row with its spectrum;
    // false (with problem set) when the file cannot be written.
    bool Add(const RatedRow &row, const Layout &layout);

    // Flushes the files written to the disk.
    void Finish() const;

    std::uint64_t written() const { return written_; }
    const std::string &problem() const { return problem_; }

private:
    std::string folder_;
    std::string creator_;
    std::unordered_set<std::string> keep_; // FileKey of each file not to be written over
    std::set<std::string> taken_;          // names given, in lower case
    std::uint64_t written_ = 0;
    std::string problem_;
};

} // namespace batch

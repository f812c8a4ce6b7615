#include "spdx_export.h"

#include "sample_name.h"
#include "spdx.h"

#include "failures.h"
#include "utf8.h"

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace batch {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kEnding = ".spdx";
constexpr std::size_t kLongestName = 200;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool DeviceName(std::string_view name)
{
    // The part before the first dot is what Windows checks.
    const std::string stem = Lower(std::string(name.substr(0, name.find('.'))));
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
        return true;
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1'
           && stem[3] <= '9';
}

std::string Today()
{
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(day.year()), unsigned(day.month()), unsigned(day.day()));
    return text;
}

} // namespace

std::string SafeFileName(std::string_view name)
{
    std::string safe;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const char32_t c = entry_rules::utf8::Next(name, pos);
        const bool bad = c < 0x20 || c == 0x7F || std::u32string_view(U"/\\:*?\"<>|").find(c) != std::u32string_view::npos
                         || c == 0xFFFD;
        if (bad)
            safe += '_';
        else
            safe.append(name.substr(start, pos - start));
    }
    while (!safe.empty() && (safe.front() == ' ' || safe.front() == '.'))
        safe.erase(0, 1);
    while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.'))
        safe.pop_back();
    if (safe.size() > kLongestName - kEnding.size() - 8) {
        std::size_t cut = kLongestName - kEnding.size() - 8;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    if (safe.empty())
        safe = "光谱";
    if (DeviceName(safe))
        safe += '_';
    return safe;
}

SpdxExporter::SpdxExporter(std::string folder, std::string creator, const std::vector<Identity> &keep)
    : folder_(std::move(folder)), creator_(std::move(creator))
{
    for (const Identity &file : keep) {
        if (std::string key = FileKey(file); !key.empty())
            keep_.insert(std::move(key));
    }
}

std::string SpdxExporter::Prepare()
{
    const fs::path folder(std::u8string(folder_.begin(), folder_.end()));
    std::error_code error;
    if (fs::is_directory(folder, error))
        return {};
    if (fs::exists(folder, error))
        return "“" + folder_ + "” 不是文件夹：--export-spdx 要一个文件夹（不在时会建立）。";
    if (!fs::create_directories(folder, error) && error)
        return "无法建立文件夹 “" + folder_ + "”：" + error.message();
    return {};
}

void SpdxExporter::Finish() const
{
    if (written_ > 0)
        SyncFileSystem(folder_);
}

bool SpdxExporter::Add(const RatedRow &row, const Layout &layout)
{
    const Rating &rating = row.rating;
    if (!rating.rated || !rating.spectral.present || !row.spectrum || row.spectrum->nm.empty())
        return true;
    SpdxDocument document;
    const std::string name = SampleName(row, layout);
    // The row's cells under a TM-27 field's name pass through.
    std::string quantity;
    for (std::size_t i = 0; i < layout.header.size(); ++i) {
        const std::string &column = layout.header[i];
        const std::string_view cell = row.cell(i);
        if (column == "SpectralQuantity") {
            quantity = std::string(cell);
            continue;
        }
        const bool field = std::find(std::begin(kSpdxHeaderFields), std::end(kSpdxHeaderFields), column)
                           != std::end(kSpdxHeaderFields);
        if (field && column != "DocumentCreator" && column != "DocumentCreationDate" && !cell.empty())
            document.header.emplace_back(column, std::string(cell));
    }
    if (!document.Field("Description") && !name.empty())
        document.header.emplace_back("Description", name);
    document.header.emplace_back("DocumentCreator", creator_);
    document.header.emplace_back("DocumentCreationDate", Today());
    // Absolute values in TM-27's own units: W·m⁻²·nm⁻¹, W/nm.
    const colorimetry::RadiometricUnit unit = layout.columns.unit;
    document.spectrum = *row.spectrum;
    if (unit.quantity == colorimetry::RadiometricQuantity::Irradiance)
        quantity = "irradiance";
    else if (unit.quantity == colorimetry::RadiometricQuantity::Flux)
        quantity = "flux";
    else if (quantity.empty())
        quantity = "relative";
    if (unit.absolute() && unit.watts != 1) {
        for (double &value : document.spectrum.value)
            value *= unit.watts;
    }
    document.spectralQuantity = quantity;

    std::string base = SafeFileName(name);
    std::string file = base + std::string(kEnding);
    for (int n = 2; taken_.contains(Lower(file)); ++n)
        file = base + "-" + std::to_string(n) + std::string(kEnding);
    taken_.insert(Lower(file));
    const std::string path = folder_ + (platform::IsSeparator(folder_.back()) ? "" : std::string(1, platform::kSeparator)) + file;
    if (keep_.contains(FileKey(Identity{{}, path}))) {
        problem_ = "TM-27 文件 “" + path + "” 是输入或输出文件之一，不会写它。请换一个 --export-spdx 文件夹。";
        return false;
    }
    // Only a plain file is written over: a folder, FIFO or device there is
    // somebody else's.
    std::error_code error;
    const fs::file_status status = fs::status(fs::path(std::u8string(path.begin(), path.end())), error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        problem_ = "“" + path + "” 不是普通文件，不会写它。请换一个 --export-spdx 文件夹。";
        return false;
    }
    OutputFile output;
    output.SkipSync();
    const std::string text = WriteSpdx(document);
    if (!output.Open(path) || !output.Write(text) || !output.Commit()) {
        problem_ = "无法写 TM-27 文件 “" + path + "”：" + std::strerror(errno);
        return false;
    }
    ++written_;
    return true;
}

} // namespace batch

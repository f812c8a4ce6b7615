#include "cgats_spectra.h"

#include "spectral_layout.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace batch {

namespace {

// The text split into lines (LF, CRLF or CR), each without its end.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(begin, i - begin));
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
                ++i;
            begin = i + 1;
        }
    }
    return lines;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The words of a line: runs of non-blanks, or quoted strings (quotes
// removed, a doubled quote inside read as one). A # outside quotes starts
// a comment.
std::vector<std::string> Words(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            std::string word;
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        word += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                word += line[i];
            }
            words.push_back(std::move(word));
        } else {
            const std::size_t begin = i;
            while (i < line.size() && !IsBlank(line[i]))
                ++i;
            words.emplace_back(line.substr(begin, i - begin));
        }
    }
    return words;
}

std::optional<double> Number(std::string_view text)
{
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The wavelength a field name gives: SPEC_nnn, SPECTRAL_nnn and nmnnn by
// their number whatever its size (the keywords may correct it), else as a
// header cell.
std::optional<double> FieldWavelength(const std::string &field, bool &spectral)
{
    for (const std::string_view prefix : {"SPEC_", "SPECTRAL_", "nm", "NM"}) {
        if (field.size() > prefix.size() && field.compare(0, prefix.size(), prefix) == 0) {
            if (const std::optional<double> n = Number(std::string_view(field).substr(prefix.size()))) {
                spectral = true;
                return *n;
            }
        }
    }
    const std::optional<double> nm = WavelengthInHeaderCell(field);
    spectral = nm.has_value();
    return nm;
}

std::string Count(std::size_t n)
{
    return std::to_string(n);
}

} // namespace

bool LooksLikeCgats(std::string_view head)
{
    bool first = true;
    for (const std::string_view line : Lines(head)) {
        const std::vector<std::string> words = Words(line);
        if (words.empty())
            continue;
        if (first) {
            // One word, letters, digits and . / _ - only: SPECT, CGATS.17, IT8.7/2, CTI3.
            if (words.size() != 1 || line.find('"') != std::string_view::npos)
                return false;
            for (const char c : words[0]) {
                const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                                || c == '.' || c == '/' || c == '_' || c == '-';
                if (!ok)
                    return false;
            }
            first = false;
            continue;
        }
        if (words[0] == "BEGIN_DATA_FORMAT" || words[0] == "NUMBER_OF_FIELDS")
            return true;
    }
    return false;
}

CgatsSpectra ReadCgatsSpectra(std::string_view text)
{
    CgatsSpectra out;
    std::vector<std::string> fields;
    std::vector<std::string> values; // every data value in order
    std::vector<std::uint64_t> valueLines; // the line of each
    std::uint64_t lineNumber = 0;
    std::optional<double> start, end;
    std::optional<long> bands;
    enum class Part { Header, Format, Data, Done } part = Part::Header;
    bool firstLine = true;
    for (const std::string_view line : Lines(text)) {
        ++lineNumber;
        std::vector<std::string> words = Words(line);
        if (words.empty())
            continue;
        if (firstLine) { // the file's kind: SPECT, CGATS.17, …
            firstLine = false;
            continue;
        }
        const std::string &key = words[0];
        if (part == Part::Format) {
            if (key == "END_DATA_FORMAT")
                part = Part::Header;
            else
                fields.insert(fields.end(), words.begin(), words.end());
        } else if (part == Part::Data) {
            if (key == "END_DATA")
                part = Part::Done;
            else {
                values.insert(values.end(), words.begin(), words.end());
                valueLines.insert(valueLines.end(), words.size(), lineNumber);
            }
        } else if (part == Part::Header) {
            if (key == "BEGIN_DATA_FORMAT") {
                part = Part::Format;
            } else if (key == "BEGIN_DATA") {
                part = Part::Data;
            } else {
                const std::string value = words.size() > 1 ? words[1] : std::string();
                if (key == "SPECTRAL_START_NM")
                    start = Number(value);
                else if (key == "SPECTRAL_END_NM")
                    end = Number(value);
                else if (key == "SPECTRAL_BANDS") {
                    if (const std::optional<double> n = Number(value))
                        bands = long(*n);
                } else if (key != "NUMBER_OF_FIELDS" && key != "NUMBER_OF_SETS" && key != "KEYWORD")
                    out.keywords.emplace_back(key, value);
            }
        } else {
            break; // a second table is not read
        }
    }
    if (fields.empty()) {
        out.error = "这个 CGATS 文件没有数据格式（BEGIN_DATA_FORMAT … END_DATA_FORMAT），无法读出光谱。";
        return out;
    }
    if (part == Part::Data)
        out.error = "这个 CGATS 文件的数据没有结束（缺少 END_DATA），文件可能不完整。";

    // Which fields are spectral, and their wavelengths.
    std::vector<std::size_t> spectral, other;
    std::vector<double> nm;
    std::optional<std::size_t> idField, nameField;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        bool isSpectral = false;
        const std::optional<double> at = FieldWavelength(fields[i], isSpectral);
        if (isSpectral) {
            spectral.push_back(i);
            nm.push_back(*at);
        } else {
            other.push_back(i);
            out.passThroughNames.push_back(fields[i]);
            if (fields[i] == "SAMPLE_ID")
                idField = i;
            else if (fields[i] == "SAMPLE_NAME")
                nameField = i;
        }
    }
    if (spectral.empty()) {
        out.error = "这个 CGATS 文件没有光谱字段（如 SPEC_380），无法读出光谱。";
        return out;
    }
    if (start && end && bands && *bands == long(spectral.size()) && *bands > 1) {
        for (std::size_t i = 0; i < nm.size(); ++i)
            nm[i] = *start + (*end - *start) * double(i) / double(*bands - 1);
    }

    const std::size_t perSet = fields.size();
    const std::size_t whole = values.size() / perSet;
    if (values.size() % perSet != 0 && out.error.empty())
        out.error = "这个 CGATS 文件的第 " + Count(whole + 1) + " 组只有 " + Count(values.size() % perSet)
                    + " 个值，应有 " + Count(perSet) + " 个（每个字段一个）。这一组没有读。";
    for (std::size_t s = 0; s < whole; ++s) {
        const std::string *set = values.data() + s * perSet;
        CgatsSpectralSet result;
        result.line = valueLines[s * perSet];
        result.name = idField ? set[*idField] : nameField ? set[*nameField] : "第 " + Count(s + 1) + " 组";
        for (const std::size_t i : other)
            result.passThrough.push_back(set[i]);
        for (std::size_t k = 0; k < spectral.size(); ++k) {
            const std::string &cell = set[spectral[k]];
            const std::optional<double> value = Number(cell);
            if (!value) {
                result.error = "第 " + Count(s + 1) + " 组（" + result.name + "）："
                               + SpectralCellText(CellProblem::NotANumber, fields[spectral[k]], cell, nm[k]);
                result.spectrum.clear();
                break;
            }
            result.spectrum.nm.push_back(nm[k]);
            result.spectrum.value.push_back(*value);
        }
        out.sets.push_back(std::move(result));
    }
    return out;
}

} // namespace batch

#include "cgats_spectra.h"

#include "record_reader.h"
#include "spectral_layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace batch {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The words of a line: runs of non-blanks, or quoted strings (quotes
// removed, a doubled quote inside read as one). A # outside quotes starts
// a comment. Only the first most words are kept; count, when given, gets
// them all.
std::vector<std::string> Words(std::string_view line, std::size_t most = 2, std::size_t *count = nullptr)
{
    std::vector<std::string> words;
    std::size_t i = 0, n = 0;
    auto keep = [&](std::string_view word) {
        if (n++ < most)
            words.emplace_back(word);
    };
    while (i < line.size()) {
        if (IsBlank(line[i]) || line[i] == '\r' || line[i] == '\n') {
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
            keep(word);
        } else {
            const std::size_t begin = i;
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '\r' && line[i] != '\n')
                ++i;
            keep(line.substr(begin, i - begin));
        }
    }
    if (count)
        *count = n;
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

// The wavelength a field name gives: SPEC_nnn, SPECTRAL_nnn, SPECTRAL_NMnnn
// and nmnnn by their number whatever its size, else as a header cell.
std::optional<double> FieldWavelength(const std::string &field)
{
    for (const std::string_view prefix : {"SPEC_", "SPECTRAL_", "SPECTRAL_NM", "nm", "NM"}) {
        if (field.size() > prefix.size() && field.compare(0, prefix.size(), prefix) == 0) {
            if (const std::optional<double> n = Number(std::string_view(field).substr(prefix.size())))
                return *n;
        }
    }
    return WavelengthInHeaderCell(field);
}

bool IsKeywordName(std::string_view word)
{
    if (word.empty() || (word[0] >= '0' && word[0] <= '9'))
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// The first line of a file or table: one word, letters, digits and . / _ -
// only: SPECT, CGATS.17, IT8.7/2, CTI3.
bool IsKindLine(std::string_view line, const std::vector<std::string> &words, std::size_t count)
{
    if (count != 1 || line.find('"') != std::string_view::npos)
        return false;
    return std::all_of(words[0].begin(), words[0].end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
               || c == '/' || c == '_' || c == '-';
    });
}

std::string Count(std::uint64_t n)
{
    return std::to_string(n);
}

std::string Quoted(std::string_view text)
{
    return "“" + entry_rules::QuotableText(text) + "”";
}

std::string Lines(std::uint64_t first, std::uint64_t last)
{
    return first == last ? "第 " + Count(first) + " 行" : "第 " + Count(first) + "–" + Count(last) + " 行";
}

// Wavelengths from 100 to 2600 nm, as WavelengthInHeaderCell takes them.
bool PlausibleNm(double nm)
{
    return nm >= 100 && nm <= 2600;
}

// +1 rising, -1 falling, 0 neither (one value rises).
int Direction(const std::vector<double> &nm)
{
    bool rising = true, falling = true;
    for (std::size_t i = 1; i < nm.size(); ++i) {
        rising = rising && nm[i] > nm[i - 1];
        falling = falling && nm[i] < nm[i - 1];
    }
    return rising ? 1 : falling ? -1 : 0;
}

std::string NumberText(double v)
{
    return colorimetry::WavelengthText(v);
}

// At most this many sets announced but not there fail one by one; the
// rest fail together.
constexpr std::uint64_t kMostMissingSets = 1000;

} // namespace

CgatsHead CgatsHeadReader::Add(std::string_view line)
{
    std::size_t count = 0;
    const std::vector<std::string> words = Words(line, 2, &count);
    if (words.empty())
        return CgatsHead::Undecided;
    if (!kindSeen_) {
        kindSeen_ = true;
        return IsKindLine(line, words, count) ? CgatsHead::Undecided : CgatsHead::NotCgats;
    }
    const std::string &key = words[0];
    if (key == "BEGIN_DATA_FORMAT" || key == "NUMBER_OF_FIELDS" || key == "BEGIN_DATA")
        return CgatsHead::Cgats;
    return IsKeywordName(key) ? CgatsHead::Undecided : CgatsHead::NotCgats;
}

bool LooksLikeCgats(std::string_view head)
{
    CgatsHeadReader reader;
    std::size_t begin = 0;
    while (begin <= head.size()) {
        const std::size_t end = std::min(head.find_first_of("\r\n", begin), head.size());
        const CgatsHead verdict = reader.Add(head.substr(begin, end - begin));
        if (verdict != CgatsHead::Undecided)
            return verdict == CgatsHead::Cgats;
        begin = end + 1;
    }
    return false;
}

void CgatsReader::Note(const std::string &sentence)
{
    notes_ += (notes_.empty() ? "" : "\n") + sentence;
}

std::string CgatsReader::TableName() const
{
    return table_.index == 1 ? std::string("这个 CGATS 文件")
                             : "第 " + Count(std::uint64_t(table_.index)) + " 个表（第 " + Count(table_.line) + " 行起）";
}

void CgatsReader::AddLine(std::string_view line, std::uint64_t number, bool cut)
{
    lastLine_ = number;
    // Words kept: a data line's up to one more than the fields, a format's
    // up to the most fields a table may have, a keyword line's two.
    const std::size_t most = part_ == Part::Data     ? table_.fields.size() + 1
                             : part_ == Part::Format ? kMaxCells + 1 - std::min(kMaxCells, table_.fields.size())
                                                     : 2;
    std::size_t count = 0;
    std::vector<std::string> words = Words(line, most, &count);
    if (words.empty())
        return;
    if (table_.line == 0)
        table_.line = number;
    const std::string &key = words[0];
    switch (part_) {
    case Part::Kind: // the file's kind: SPECT, CGATS.17, …
        part_ = Part::Header;
        return;
    case Part::Skipped:
        if (key == "END_DATA")
            NextTable();
        return;
    case Part::Format:
        if (key == "END_DATA_FORMAT")
            part_ = Part::Header;
        else if (key == "BEGIN_DATA")
            StartData();
        else
            table_.fields.insert(table_.fields.end(), words.begin(), words.end());
        return;
    case Part::Data:
        if (key == "END_DATA") {
            EndData(number, true);
        } else if (key == "BEGIN_DATA" && table_.sets == 0 && pending_.empty()) {
            // BEGIN_DATA again before any set: once is enough.
        } else if (key == "BEGIN_DATA_FORMAT" || key == "BEGIN_DATA") {
            EndData(number, false); // a new table where END_DATA should be
            afterData_ = false;
            AddLine(line, number, cut);
        } else {
            DataLine(std::move(words), count, number, cut);
        }
        return;
    case Part::Header:
        break;
    }
    const bool structure = key == "BEGIN_DATA_FORMAT" || key == "BEGIN_DATA" || key == "END_DATA"
                           || key == "END_DATA_FORMAT";
    if (std::exchange(afterData_, false) && IsKindLine(line, words, count) && !structure)
        return; // the next table's kind
    if (key == "BEGIN_DATA_FORMAT") {
        part_ = Part::Format;
        table_.fields.clear();
        table_.fieldsGiven = true;
        return;
    }
    if (key == "BEGIN_DATA") {
        StartData();
        return;
    }
    if (structure || key == "KEYWORD")
        return;
    const std::string value = words.size() > 1 ? words[1] : std::string();
    const std::optional<double> number_ = Number(value);
    if (key == "SPECTRAL_START_NM")
        table_.start = number_;
    else if (key == "SPECTRAL_END_NM")
        table_.end = number_;
    else if (key == "SPECTRAL_BANDS")
        table_.bands = number_;
    else if (key == "SPECTRAL_INCREMENT_NM" || key == "SPECTRAL_INCREMENT")
        table_.increment = number_;
    else if (key == "NUMBER_OF_FIELDS")
        table_.fieldCount = number_;
    else if (key == "NUMBER_OF_SETS")
        table_.setCount = number_;
    else
        keywords_.emplace_back(key, value);
}

void CgatsReader::DecideWavelengths(const std::vector<double> &named)
{
    Table &t = table_;
    const std::size_t n = t.spectral.size();
    const bool namesInOrder = Direction(named) != 0 && std::all_of(named.begin(), named.end(), PlausibleNm);
    // The keywords' wavelengths, where they fit the fields.
    std::vector<double> keyed;
    if (t.start && t.end && n >= 2 && *t.start != *t.end) {
        const double span = *t.end - *t.start;
        const bool fits = t.bands ? *t.bands == double(n)
                          : t.increment ? *t.increment != 0 && std::fabs(span / *t.increment + 1 - double(n)) < 1e-6
                                        : false;
        if (fits) {
            for (std::size_t i = 0; i < n; ++i)
                keyed.push_back(*t.start + span * double(i) / double(n - 1));
        }
    }
    auto agree = [&](double scale) {
        for (std::size_t i = 0; i < n; ++i) {
            if (!(std::fabs(named[i] - scale * keyed[i]) < scale))
                return false;
        }
        return true;
    };
    const std::string names = Quoted(t.fields[t.spectral.front()]) + " … " + Quoted(t.fields[t.spectral.back()]);
    std::string keywords;
    auto keyword = [&](const char *name, const std::optional<double> &v) {
        if (v)
            keywords += std::string(keywords.empty() ? "" : "、") + name + " " + NumberText(*v);
    };
    keyword("SPECTRAL_START_NM", t.start);
    keyword("SPECTRAL_END_NM", t.end);
    keyword("SPECTRAL_BANDS", t.bands);
    keyword("SPECTRAL_INCREMENT_NM", t.increment);
    if (namesInOrder) {
        t.nm = named;
        if (!keyed.empty() && agree(1))
            t.nm = keyed; // the names rounded: the keywords' exact values
        else if (!keywords.empty())
            Note(TableName() + "的光谱字段名（" + names + "）与 " + keywords + " 不一致：波长按字段名读。");
    } else if (!keyed.empty()) {
        t.nm = keyed;
        const bool scaled = agree(10) || agree(100) || agree(1000) || agree(10000);
        if (!scaled)
            Note(TableName() + "的光谱字段名（" + names + "）不是依次排列的波长：波长按 " + keywords + " 读。");
    } else {
        t.error = "光谱字段名（" + names + "）不是依次增大或减小的波长，" + (keywords.empty() ? "文件也没有" : keywords + " 也不是")
                  + "与 " + Count(n) + " 个光谱字段相符的波长范围：无法确定每个值的波长，这一组没有读。请检查文件的数据格式。";
        return;
    }
    if (Direction(t.nm) < 0) {
        std::reverse(t.nm.begin(), t.nm.end());
        std::reverse(t.spectral.begin(), t.spectral.end());
    }
}

void CgatsReader::StartData()
{
    part_ = Part::Data;
    Table &t = table_;
    const bool first = !started_;
    auto skip = [&](const std::string &why) {
        part_ = Part::Skipped;
        if (first) {
            error_ = TableName() + why;
            return;
        }
        Note(TableName() + why + "这个表没有读。");
        incomplete_ = true;
    };
    if (t.fields.empty())
        return skip("没有数据格式（BEGIN_DATA_FORMAT … END_DATA_FORMAT），无法读出光谱。");
    if (t.fields.size() > kMaxCells)
        return skip("的数据格式超过 " + Count(kMaxCells) + " 个字段，读不了。");
    std::vector<double> named;
    std::vector<std::size_t> other;
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        if (const std::optional<double> nm = FieldWavelength(t.fields[i])) {
            t.spectral.push_back(i);
            named.push_back(*nm);
        } else {
            other.push_back(i);
        }
    }
    if (t.spectral.empty())
        return skip("没有光谱字段（如 SPEC_380），无法读出光谱。");
    const auto naming = [&](const char *name) {
        return std::find_if(other.begin(), other.end(), [&](std::size_t i) { return t.fields[i] == name; });
    };
    const auto id = naming("SAMPLE_ID") != other.end() ? naming("SAMPLE_ID") : naming("SAMPLE_NAME");
    if (id != other.end())
        t.nameField = *id;
    t.column.assign(t.fields.size(), -1);
    if (first) {
        sampleColumn_ = !t.nameField;
        if (sampleColumn_)
            columns_.emplace_back(kSampleColumn);
        for (const std::size_t i : other) {
            t.column[i] = int(columns_.size());
            columns_.push_back(t.fields[i]);
        }
    } else {
        // A later table: its fields go into the first table's columns.
        std::string missing;
        for (const std::size_t i : other) {
            const auto at = std::find(columns_.begin(), columns_.end(), t.fields[i]);
            if (at != columns_.end())
                t.column[i] = int(at - columns_.begin());
            else if (t.nameField == i && sampleColumn_)
                t.column[i] = 0;
            else
                missing += (missing.empty() ? "" : "、") + Quoted(t.fields[i]);
        }
        if (!missing.empty())
            return skip("有第一个表没有的字段 " + missing + "，它们放不进输出的列：");
    }
    if (t.fieldCount && *t.fieldCount != double(t.fields.size()))
        Note(TableName() + "的 NUMBER_OF_FIELDS 写的是 " + NumberText(*t.fieldCount) + "，数据格式里有 "
             + Count(t.fields.size()) + " 个字段：每组按数据格式的字段数读。");
    DecideWavelengths(named);
    started_ = true;
}

void CgatsReader::DataLine(std::vector<std::string> &&words, std::size_t count, std::uint64_t number, bool cut)
{
    Table &t = table_;
    const std::size_t n = t.fields.size();
    if (cut) {
        FailPending("");
        FailSet("第 " + Count(number) + " 行太长，只读了它的开头：这一组没有读。请检查文件。", words, number);
        return;
    }
    if (!t.modeKnown) {
        t.modeKnown = true;
        t.wrapped = count < n;
    }
    if (!t.wrapped || (pending_.empty() && count >= n)) {
        if (count == n)
            MakeSet(words, number);
        else
            FailSet(CountText(count, number, number, ""), words, number);
        return;
    }
    if (pending_.size() + count > n) {
        FailPending("");
        DataLine(std::move(words), count, number, cut);
        return;
    }
    if (pending_.empty())
        pendingFirst_ = number;
    pending_.insert(pending_.end(), std::make_move_iterator(words.begin()), std::make_move_iterator(words.end()));
    pendingLast_ = number;
    if (pending_.size() == n) {
        MakeSet(pending_, pendingFirst_);
        pending_.clear();
    }
}

std::string CgatsReader::CountText(std::size_t values, std::uint64_t first, std::uint64_t last,
                                   std::string_view why) const
{
    return Lines(first, last) + "的这一组有 " + Count(values) + " 个值，应有 " + Count(table_.fields.size())
           + " 个（数据格式的每个字段一个）" + std::string(why)
           + "：多出或缺少的值会让光谱错位，这一组没有读。请检查这一组。";
}

void CgatsReader::FailPending(std::string_view why)
{
    if (pending_.empty())
        return;
    std::vector<std::string> words = std::move(pending_);
    pending_.clear();
    FailSet(CountText(words.size(), pendingFirst_, pendingLast_, why), words, pendingFirst_);
}

CgatsSpectralSet &CgatsReader::NewSet(const std::vector<std::string> &words, std::uint64_t line)
{
    ++setCount_;
    ++table_.sets;
    CgatsSpectralSet &set = ready_.emplace_back();
    set.line = line;
    const std::optional<std::size_t> name = table_.nameField;
    // A line of one value is no set with a name.
    const bool named = name && *name < words.size() && words.size() > 1;
    set.name = named ? words[*name] : "第 " + Count(setCount_) + " 组";
    set.passThrough.assign(columns_.size(), std::string());
    if (sampleColumn_)
        set.passThrough[0] = set.name;
    if (named && table_.column[*name] >= 0)
        set.passThrough[std::size_t(table_.column[*name])] = set.name;
    return set;
}

void CgatsReader::FailSet(std::string error, const std::vector<std::string> &words, std::uint64_t line)
{
    NewSet(words, line).error = std::move(error);
}

void CgatsReader::MakeSet(const std::vector<std::string> &words, std::uint64_t line)
{
    const Table &t = table_;
    CgatsSpectralSet &set = NewSet(words, line);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (t.column[i] >= 0)
            set.passThrough[std::size_t(t.column[i])] = words[i];
    }
    if (!t.error.empty()) {
        set.error = t.error;
        return;
    }
    set.spectrum.nm = t.nm;
    set.spectrum.value.reserve(t.nm.size());
    for (std::size_t k = 0; k < t.spectral.size(); ++k) {
        const std::string &cell = words[t.spectral[k]];
        const std::optional<double> value = Number(cell);
        if (!value) {
            set.error = "第 " + Count(setCount_) + " 组（" + entry_rules::QuotableText(set.name) + "）："
                        + SpectralCellText(CellProblem::NotANumber, t.fields[t.spectral[k]], cell, t.nm[k]);
            set.spectrum.clear();
            return;
        }
        set.spectrum.value.push_back(*value);
    }
}

void CgatsReader::EndData(std::uint64_t number, bool endDataSeen)
{
    FailPending(endDataSeen ? "" : "，文件在这一组中间结束");
    Table &t = table_;
    const std::uint64_t held = t.sets;
    if (t.setCount && *t.setCount > double(held)) {
        const double announced = *t.setCount;
        const std::string why = "：NUMBER_OF_SETS 写的是 " + NumberText(announced) + " 组，" + TableName()
                                + "的数据里只有 " + Count(held) + " 组。";
        for (std::uint64_t k = 0; double(held + k) < announced; ++k) {
            const std::uint64_t set = setCount_ + 1;
            if (k + 1 == kMostMissingSets && double(held + k + 1) < announced) {
                const double last = double(setCount_) + announced - double(held + k);
                FailSet("第 " + Count(set) + "–" + NumberText(last) + " 组缺失" + why, {}, number);
                break;
            }
            FailSet("第 " + Count(set) + " 组缺失" + why, {}, number);
        }
    } else if (t.setCount && *t.setCount < double(held)) {
        Note(TableName() + "的 NUMBER_OF_SETS 写的是 " + NumberText(*t.setCount) + " 组，数据里有 " + Count(held)
             + " 组：都已读出。");
    }
    if (!endDataSeen) {
        Note(TableName() + "的数据没有以 END_DATA 结束（到第 " + Count(number)
             + " 行为止），文件可能不完整。请检查文件的结尾。");
        incomplete_ = true;
    }
    NextTable();
}

void CgatsReader::NextTable()
{
    Table next;
    next.index = table_.index + 1;
    next.fields = std::move(table_.fields); // a table without a format of its own keeps the last one
    table_ = std::move(next);
    part_ = Part::Header;
    afterData_ = true;
}

void CgatsReader::Finish()
{
    switch (part_) {
    case Part::Data:
        EndData(lastLine_, false);
        break;
    case Part::Kind:
    case Part::Header:
    case Part::Format:
        if (!started_ && error_.empty()) {
            error_ = "这个 CGATS 文件没有数据（BEGIN_DATA … END_DATA），无法读出光谱。";
        } else if (started_ && table_.fieldsGiven) {
            Note(TableName() + "有数据格式，却没有数据（BEGIN_DATA … END_DATA）：这个表没有读。");
            incomplete_ = true;
        }
        break;
    case Part::Skipped:
        break;
    }
    part_ = Part::Skipped;
}

bool CgatsReader::TakeSet(CgatsSpectralSet &set)
{
    if (ready_.empty())
        return false;
    set = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

CgatsSpectra ReadCgatsSpectra(std::string_view text)
{
    CgatsReader reader;
    CgatsSpectra out;
    std::uint64_t number = 0;
    std::size_t begin = 0;
    CgatsSpectralSet set;
    while (begin <= text.size()) {
        std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
        reader.AddLine(text.substr(begin, end - begin), ++number);
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        begin = end + 1;
        while (reader.TakeSet(set))
            out.sets.push_back(std::move(set));
    }
    reader.Finish();
    while (reader.TakeSet(set))
        out.sets.push_back(std::move(set));
    out.keywords = reader.keywords();
    out.passThroughNames = reader.columns();
    out.error = reader.error();
    out.notes = reader.notes();
    out.incomplete = reader.incomplete();
    return out;
}

} // namespace batch

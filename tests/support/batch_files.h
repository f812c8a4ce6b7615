#pragma once
// Measurement files for the batch tests, written to a temporary directory,
// and the rows a reader gives for them.

#include "batch_reader.h"
#include "row_pipeline.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "file_system.h"
#include "text_decoder.h"

#include <charconv>
#include <cmath>
#include <map>
#ifndef _WIN32
#include <iconv.h>
#endif

namespace batch_testing {

inline QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

#ifdef _WIN32
inline QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

// The bytes of UTF-8 text in another encoding. Windows has no iconv (nor,
// everywhere, the code pages): GB18030 and Mac Roman by inverting the
// reader's own decoding, which the Linux round checks against iconv.
inline QByteArray Encoded(const QByteArray &utf8, const char *encoding)
{
    const QString text = QString::fromUtf8(utf8);
    const std::string_view name(encoding);
    if (name.starts_with("UTF-16")) {
        QByteArray out;
        for (const char16_t unit : std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), text.size()))
            out += name == "UTF-16BE" ? Bytes({char(unit >> 8), char(unit & 0xFF)})
                                      : Bytes({char(unit & 0xFF), char(unit >> 8)});
        return out;
    }
    const bool mac = name == "MACINTOSH";
    static std::map<char32_t, QByteArray> gb18030, macRoman;
    std::map<char32_t, QByteArray> &codes = mac ? macRoman : gb18030;
    const auto add = [&](const QByteArray &bytes) {
        const QList<uint> decoded =
            QString::fromStdString(batch::DecodeAs(mac ? batch::Encoding::MacRoman : batch::Encoding::Gb18030,
                                                   bytes.toStdString()))
                .toUcs4();
        if (decoded.size() == 1 && decoded[0] != 0xFFFD)
            codes.emplace(decoded[0], bytes);
    };
    if (codes.empty()) {
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            add(QByteArray(1, char(lead)));
            for (int trail = 0x40; !mac && trail <= 0xFE; ++trail)
                add(Bytes({char(lead), char(trail)}));
        }
        for (int place = 0; !mac && place < 39420; ++place) // the four-byte codes of the BMP
            add(Bytes({char(0x81 + place / 12600), char(0x30 + place / 1260 % 10), char(0x81 + place / 10 % 126),
                       char(0x30 + place % 10)}));
    }
    QByteArray out;
    for (const uint c : text.toUcs4()) {
        const auto code = codes.find(c);
        if (c < 0x80)
            out += char(c);
        else if (code != codes.end())
            out += code->second;
        else
            qFatal("no %s for U+%04X", encoding, c);
    }
    return out;
}
#else
// The bytes of UTF-8 text in another encoding, by the C library's iconv.
inline QByteArray Encoded(const QByteArray &utf8, const char *encoding)
{
    const iconv_t converter = iconv_open(encoding, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        qFatal("no iconv for %s", encoding);
    QByteArray out(utf8.size() * 4 + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(utf8.constData());
    std::size_t inLeft = std::size_t(utf8.size());
    char *to = out.data();
    std::size_t outLeft = std::size_t(out.size());
    if (iconv(converter, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1))
        qFatal("iconv to %s failed", encoding);
    iconv_close(converter);
    out.truncate(to - out.constData());
    return out;
}
#endif

struct ReadRow {
    std::vector<std::string> cells;
    batch::Rating rating;
    std::uint64_t line;
};

struct ReadFile {
    batch::HeaderProblem problem = batch::HeaderProblem::None;
    batch::Layout layout;
    std::vector<ReadRow> rows;
};

// Splits CSV as a spreadsheet reads it (comma-delimited, quotes doubled),
// independently of the project's reader.
inline QList<QStringList> ParseCsv(const QString &text)
{
    QList<QStringList> rows{{}};
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                cell += c, ++i;
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.last() << cell;
            cell.clear();
        } else if (c == '\n') {
            rows.last() << cell;
            cell.clear();
            rows << QStringList();
        } else {
            cell += c;
        }
    }
    rows.removeLast();
    return rows;
}

// The rows as the reader rates them, or (jobs > 1) as a pipeline of that
// many threads does.
inline ReadFile Read(const QString &path, batch::ReadOptions options = {},
                     std::size_t blockSize = 1u << 20, int jobs = 1)
{
    ReadFile result;
    const int fd = platform::OpenToRead(path.toStdString());
    batch::BatchReader reader(fd, blockSize);
    result.problem = reader.Start(options);
    result.layout = reader.layout();
    std::optional<batch::RowPipeline> pipeline;
    if (jobs > 1 && result.problem == batch::HeaderProblem::None)
        pipeline.emplace(reader, jobs);
    batch::RatedRow row;
    while (result.problem == batch::HeaderProblem::None && (pipeline ? pipeline->Next(row) : reader.Next(row))) {
        ReadRow copy{{}, row.rating, row.line};
        for (std::size_t i = 0; i < row.cellCount(); ++i)
            copy.cells.emplace_back(row.cell(i));
        result.rows.push_back(std::move(copy));
    }
    result.layout = reader.layout();
    platform::Close(fd);
    return result;
}

// A phosphor-converted white LED at 380–780 nm every step nm: a blue pump
// and a broad phosphor band, each value written with four decimals.
inline std::vector<std::string> LedValues(double pump, double phosphor, double ratio, int step = 5)
{
    std::vector<std::string> values;
    for (int nm = 380; nm <= 780; nm += step) {
        const double b = (nm - pump) / 10, p = (nm - phosphor) / 60;
        values.push_back(QByteArray::number(std::exp(-b * b / 2) + ratio * std::exp(-p * p / 2), 'f', 4)
                             .toStdString());
    }
    return values;
}

// An IES TM-27 document of those values (380 nm on, every step nm), as labs
// write them: a stylesheet line, the namespace given (empty: none), the
// header's fields given, "TRUE" for true, the samples in the order given.
inline QByteArray SpdxText(const std::vector<std::string> &values, const QByteArray &xmlns,
                           const QByteArray &header, bool falling = false, int step = 5,
                           const QByteArray &quantity = "relative")
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<?xml-stylesheet type=\"text/xsl\" href=\"spdx.xsl\"?>\n<IESTM2714"
                      + (xmlns.isEmpty() ? QByteArray() : " xmlns=\"" + xmlns + "\"") + " version=\"1.0\">\n"
                      + "<Header>" + header + "<ReportDate>00/00/00</ReportDate></Header>\n"
                      + "<SpectralDistribution><SpectralQuantity>" + quantity + "</SpectralQuantity>"
                      + "<BandwidthFWHM>2</BandwidthFWHM><BandwidthCorrected>TRUE</BandwidthCorrected>\n";
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::size_t i = falling ? values.size() - 1 - k : k;
        text += "<SpectralData wavelength=\"" + QByteArray::number(380 + step * int(i)) + "\">"
                + QByteArray::fromStdString(values[i]) + "</SpectralData>\n";
    }
    return text + "</SpectralDistribution>\n</IESTM2714>\n";
}

// The spectrum those texts give, read by std::from_chars (correctly
// rounded, as the batch reads numbers), not by the batch's reader.
inline colorimetry::Spectrum SpectrumOf(const std::vector<std::string> &values, int step = 5)
{
    colorimetry::Spectrum s;
    for (std::size_t i = 0; i < values.size(); ++i) {
        double v = 0;
        std::from_chars(values[i].data(), values[i].data() + values[i].size(), v);
        s.nm.push_back(380.0 + double(i) * step);
        s.value.push_back(v);
    }
    return s;
}

// Whether p lies inside the polygon or on its edge: by the winding of its
// edges around p, the edge test in exact arithmetic of the cross product's
// sign for points that are not on an edge (the tests' points never are).
inline bool InsidePolygon(const std::vector<colorimetry::Xy> &corners, colorimetry::Xy p)
{
    int winding = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const colorimetry::Xy a = corners[i], b = corners[(i + 1) % corners.size()];
        const double cross = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && cross > 0)
            ++winding;
        else if (a.y > p.y && b.y <= p.y && cross < 0)
            --winding;
    }
    return winding != 0;
}

} // namespace batch_testing

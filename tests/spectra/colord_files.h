#pragma once
// Reading colord-data's spectral files on their own, for the tests: each
// data set of an IT8-style .sp or .cmf file as (nm, value) over its bands.

#include <QFile>

#include <string>
#include <vector>

namespace colord_files {

struct SpectralSet {
    std::string id; // SAMPLE_ID where the file has one
    std::vector<double> nm;
    std::vector<double> value;
};

inline std::vector<SpectralSet> Read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    double start = 0, end = 0;
    bool data = false, withId = false;
    std::vector<std::vector<QByteArray>> rows;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f[0] == "SPECTRAL_START_NM") start = f.value(1).toDouble();
        if (f[0] == "SPECTRAL_END_NM") end = f.value(1).toDouble();
        if (f[0] == "SAMPLE_ID") withId = true;
        if (f[0] == "END_DATA") break;
        if (data && !f[0].isEmpty())
            rows.emplace_back(f.begin(), f.end());
        data = data || f[0] == "BEGIN_DATA";
    }
    std::vector<SpectralSet> sets;
    for (const auto &row : rows) {
        SpectralSet s;
        std::size_t first = 0;
        if (withId) {
            s.id = row[0].toStdString();
            first = 1;
        }
        const std::size_t n = row.size() - first;
        for (std::size_t i = 0; i < n; ++i) {
            s.nm.push_back(start + (end - start) * double(i) / double(n - 1));
            s.value.push_back(row[first + i].toDouble());
        }
        sets.push_back(std::move(s));
    }
    return sets;
}

} // namespace colord_files

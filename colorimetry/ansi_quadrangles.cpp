#include "ansi_quadrangles.h"

#include <atomic>
#include <vector>

namespace colorimetry {

namespace {

// ANSI C78.377-2008, table 1: nominal CCT, target CCT ± tolerance (K), target
// Duv (± 0.006). The corners are computed from them; the tests compare every
// corner with the standard's published four-decimal one.
struct Range {
    int nominal;
    std::string_view name;
    double cct;
    double tolerance;
    double duv;
};
constexpr Range kRanges[] = {
    {2700, "2700K", 2725, 145, 0.000}, {3000, "3000K", 3045, 175, 0.000},
    {3500, "3500K", 3465, 245, 0.000}, {4000, "4000K", 3985, 275, 0.001},
    {4500, "4500K", 4503, 243, 0.001}, {5000, "5000K", 5028, 283, 0.002},
    {5700, "5700K", 5665, 355, 0.002}, {6500, "6500K", 6530, 510, 0.003},
};

std::vector<AnsiQuadrangle> MakeTable()
{
    std::vector<AnsiQuadrangle> all;
    for (const Range &r : kRanges) {
        const double low = r.cct - r.tolerance, high = r.cct + r.tolerance;
        const double upper = r.duv + kAnsiDuvTolerance, lower = r.duv - kAnsiDuvTolerance;
        all.push_back({r.nominal, r.name, r.cct, r.tolerance, r.duv,
                       {XyFromCctDuv(low, upper), XyFromCctDuv(high, upper),
                        XyFromCctDuv(high, lower), XyFromCctDuv(low, lower)}});
    }
    return all;
}

// The quadrangles and the bins of them, made once; what every row asks for
// stays a load and a test (the making is out of line).
struct Quadrangles {
    std::vector<AnsiQuadrangle> table = MakeTable();
    BinSet bins = MakeBins(table);

    static BinSet MakeBins(const std::vector<AnsiQuadrangle> &table)
    {
        std::vector<Bin> all;
        for (const AnsiQuadrangle &q : table)
            all.push_back({std::string(q.name), {q.corners.begin(), q.corners.end()}});
        return BinSet(std::move(all));
    }
};

[[gnu::noinline]] const Quadrangles &Made()
{
    static const Quadrangles all;
    return all;
}

// Every row asks: a load, then the making only the first time (out of line
// in Made(), whose guard would otherwise cost each call a full entry).
inline const Quadrangles &All()
{
    static std::atomic<const Quadrangles *> all{nullptr};
    const Quadrangles *made = all.load(std::memory_order_acquire);
    if (made == nullptr) {
        made = &Made();
        all.store(made, std::memory_order_release);
    }
    return *made;
}

} // namespace

std::span<const AnsiQuadrangle> AnsiQuadrangles()
{
    return All().table;
}

const BinSet &AnsiQuadrangleBins()
{
    return All().bins;
}

const AnsiQuadrangle *AnsiQuadrangleOf(Xy p)
{
    const Quadrangles &all = All();
    const int i = all.bins.Find(p);
    return i == kNoBin ? nullptr : &all.table[std::size_t(i)];
}

} // namespace colorimetry

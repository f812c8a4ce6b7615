// Bins and the ANSI quadrangles: the computed corners against the published
// table, and every lookup against a point-in-polygon written here on its own
// (winding number, exact in quadruple precision, where the library counts
// crossings with an adaptive predicate). The bin file's rows and faults.

#include "ansi_quadrangles.h"
#include "bin_file.h"

#include "batch_files.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <random>

using namespace colorimetry;

namespace {

// ---- The reference ------------------------------------------------------

// Exact for coordinates in [1/4, 1): their differences need at most 55 bits,
// products at most 110, and __float128 holds 113.
__float128 ReferenceDeterminant(Xy a, Xy b, Xy c)
{
    using Q = __float128;
    return (Q(a.x) - Q(c.x)) * (Q(b.y) - Q(c.y)) - (Q(a.y) - Q(c.y)) * (Q(b.x) - Q(c.x));
}

int ReferenceSide(Xy a, Xy b, Xy c)
{
    const __float128 d = ReferenceDeterminant(a, b, c);
    return (d > 0) - (d < 0);
}

// The 8 × 8 doubles from a point of the line through a and b up: some lie
// on it, some nearer than a determinant in doubles can tell.
std::vector<Xy> DoublesAround(Xy a, Xy b, double t)
{
    std::vector<Xy> all;
    Xy p{a.x + (b.x - a.x) * t, 0};
    for (int i = 0; i < 8; ++i, p.x = std::nextafter(p.x, 1.0)) {
        p.y = a.y + (b.y - a.y) * t;
        for (int k = 0; k < 8; ++k, p.y = std::nextafter(p.y, 1.0))
            all.push_back(p);
    }
    return all;
}

// Winding number, with a point on an edge counted in.
bool ReferenceContains(std::span<const Xy> poly, Xy p)
{
    int winding = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Xy a = poly[i], b = poly[(i + 1) % poly.size()];
        const int side = ReferenceSide(a, b, p);
        if (side == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y
            && p.y <= std::max(a.y, b.y))
            return true;
        if (a.y <= p.y && b.y > p.y && side > 0)
            ++winding;
        else if (a.y > p.y && b.y <= p.y && side < 0)
            --winding;
    }
    return winding != 0;
}

int ReferenceFirst(const std::vector<std::vector<Xy>> &polygons, Xy p)
{
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const auto [left, right] = std::minmax_element(polygons[i].begin(), polygons[i].end(),
                                                       [](Xy a, Xy b) { return a.x < b.x; });
        if (p.x >= left->x && p.x <= right->x && ReferenceContains(polygons[i], p))
            return int(i);
    }
    return kNoBin;
}

QByteArray Where(Xy p)
{
    return QByteArray::number(p.x, 'g', 17) + ", " + QByteArray::number(p.y, 'g', 17);
}

// A star-shaped polygon (simple, often concave) around a centre.
std::vector<Xy> RandomStar(std::mt19937_64 &random, Xy centre, double size)
{
    std::uniform_real_distribution<double> unit(0, 1);
    const int n = 3 + int(unit(random) * 9);
    std::vector<Xy> corners;
    for (int i = 0; i < n; ++i) {
        // Gaps below half a turn: the centre sees every edge.
        const double a = (i + 0.8 * unit(random)) * 2 * M_PI / n;
        const double r = size * (0.3 + 0.7 * unit(random));
        corners.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
    }
    return corners;
}

// Points to test: random ones, and the awkward ones for a ray test: the
// corners, points level with a corner, and the doubles right beside them.
std::vector<Xy> TestPoints(std::mt19937_64 &random, const std::vector<std::vector<Xy>> &polygons, int count)
{
    std::uniform_real_distribution<double> coordinate(0.3, 0.5);
    std::vector<Xy> points;
    for (int i = 0; i < count; ++i)
        points.push_back({coordinate(random), coordinate(random)});
    for (const auto &polygon : polygons) {
        for (Xy c : polygon) {
            points.push_back(c);
            points.push_back({coordinate(random), c.y});
            points.push_back({c.x, coordinate(random)});
            for (double dx : {-1.0, 0.0, 1.0})
                for (double dy : {-1.0, 0.0, 1.0})
                    points.push_back({std::nextafter(c.x, c.x + dx), std::nextafter(c.y, c.y + dy)});
        }
    }
    return points;
}

// ---- The published quadrangles -------------------------------------------

// ANSI C78.377-2008, table 1: corners (x, y) to four decimals, in the order
// upper-low-CCT, upper-high-CCT, lower-high-CCT, lower-low-CCT.
struct Published {
    int nominal;
    double corners[4][2];
};
constexpr Published kPublished[] = {
    {2700, {{0.4813, 0.4319}, {0.4562, 0.4260}, {0.4373, 0.3893}, {0.4593, 0.3944}}},
    {3000, {{0.4562, 0.4260}, {0.4299, 0.4165}, {0.4147, 0.3814}, {0.4373, 0.3893}}},
    {3500, {{0.4299, 0.4165}, {0.3996, 0.4015}, {0.3889, 0.3690}, {0.4147, 0.3814}}},
    {4000, {{0.4006, 0.4044}, {0.3736, 0.3874}, {0.3670, 0.3578}, {0.3898, 0.3716}}},
    {4500, {{0.3736, 0.3874}, {0.3548, 0.3736}, {0.3512, 0.3465}, {0.3670, 0.3578}}},
    {5000, {{0.3551, 0.3760}, {0.3376, 0.3616}, {0.3366, 0.3369}, {0.3515, 0.3487}}},
    {5700, {{0.3376, 0.3616}, {0.3207, 0.3462}, {0.3222, 0.3243}, {0.3366, 0.3369}}},
    {6500, {{0.3205, 0.3481}, {0.3028, 0.3304}, {0.3068, 0.3113}, {0.3221, 0.3261}}},
};

std::vector<std::vector<Xy>> QuadranglePolygons()
{
    std::vector<std::vector<Xy>> all;
    for (const AnsiQuadrangle &q : AnsiQuadrangles())
        all.push_back({q.corners.begin(), q.corners.end()});
    return all;
}

int NominalOf(Xy p)
{
    const AnsiQuadrangle *q = AnsiQuadrangleOf(p);
    return q ? q->nominalCct : 0;
}

// ---- Bin files ----------------------------------------------------------------

batch::BinFile ReadBins(const QString &path)
{
    const int fd = platform::OpenToRead(path.toStdString());
    batch::BinFile file = batch::ReadBinFile(fd);
    platform::Close(fd);
    return file;
}

} // namespace

class TestBins : public QObject {
    Q_OBJECT

private slots:
    // Every computed corner rounds to the published one, in the published
    // order, and the names say the nominal CCT.
    void cornersRoundToThePublishedTable()
    {
        QCOMPARE(AnsiQuadrangles().size(), std::size(kPublished));
        for (std::size_t i = 0; i < std::size(kPublished); ++i) {
            const AnsiQuadrangle &q = AnsiQuadrangles()[i];
            QCOMPARE(q.nominalCct, kPublished[i].nominal);
            QCOMPARE(QString::fromUtf8(q.name.data(), int(q.name.size())), QStringLiteral("%1K").arg(q.nominalCct));
            for (int k = 0; k < 4; ++k) {
                const Xy c = q.corners[std::size_t(k)];
                QVERIFY2(std::round(c.x * 1e4) == std::round(kPublished[i].corners[k][0] * 1e4)
                             && std::round(c.y * 1e4) == std::round(kPublished[i].corners[k][1] * 1e4),
                         QByteArray::number(q.nominalCct) + " corner " + QByteArray::number(k) + ": " + Where(c));
            }
        }
    }

    // Just inside and just outside every edge and corner: the nearest doubles
    // around each corner, points beside the middle of each edge, a few units
    // in the last place and 10⁻⁹ away, and the doubles nearest each edge. A point in two quadrangles
    // (a shared edge or corner, the 1 K slivers) goes to the lower CCT.
    void boundaryRulesHoldExactly()
    {
        const auto polygons = QuadranglePolygons();
        std::vector<Xy> points;
        int onEdges = 0;
        for (const auto &poly : polygons) {
            for (std::size_t k = 0; k < 4; ++k) {
                const Xy a = poly[k], b = poly[(k + 1) % 4];
                for (double dx : {-1.0, 0.0, 1.0})
                    for (double dy : {-1.0, 0.0, 1.0})
                        points.push_back({std::nextafter(a.x, a.x + dx), std::nextafter(a.y, a.y + dy)});
                const Xy m{(a.x + b.x) / 2, (a.y + b.y) / 2};
                const double nx = b.y - a.y, ny = a.x - b.x, length = std::hypot(nx, ny);
                for (double d : {-1e-9, -1e-15, -2e-16, 0.0, 2e-16, 1e-15, 1e-9})
                    points.push_back({m.x + d * nx / length, m.y + d * ny / length});
                for (double t : {0.25, 0.5, 0.75})
                    for (Xy p : DoublesAround(a, b, t))
                        points.push_back(p);
            }
        }
        for (Xy p : points) {
            const int want = ReferenceFirst(polygons, p);
            QVERIFY2(NominalOf(p) == (want == kNoBin ? 0 : AnsiQuadrangles()[std::size_t(want)].nominalCct),
                     Where(p));
            for (const auto &poly : polygons)
                onEdges += Locate(poly, p) == PointLocation::OnEdge;
        }
        QVERIFY(onEdges >= 32); // the corners at least lie on edges, exactly

        // Named cases: a corner shared by 2700 K and 3000 K, the middle of
        // their shared edge nudged either way, the 1 K sliver 4500/5000 K,
        // the centre, far away and not a number.
        const auto &q = AnsiQuadrangles();
        const Xy shared = q[0].corners[1];
        const Xy a = q[0].corners[1], b = q[0].corners[2];
        const Xy middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const struct {
            Xy p;
            int nominal;
        } named[] = {
            {shared, 2700},
            {q[1].corners[0], 2700},
            {{middle.x + 1e-9, middle.y}, 2700},
            {{middle.x - 1e-9, middle.y}, 3000},
            {XyFromCctDuv(4745.5, 0.002), 4500},
            {XyFromCctDuv(4746.5, 0.002), 5000},
            {XyFromCctDuv(3985, 0.001), 4000},
            {XyFromCctDuv(3985, 0.0075), 0},
            {{0.20, 0.60}, 0},
            {{NAN, 0.4}, 0},
        };
        for (const auto &c : named)
            QVERIFY2(NominalOf(c.p) == c.nominal, Where(c.p) + " → " + QByteArray::number(NominalOf(c.p)));
    }

    // Simple or not, and why; overlapping or merely touching.
    void polygonChecksAndOverlaps()
    {
        using F = PolygonFault;
        const std::vector<Xy> square{{0.3, 0.3}, {0.4, 0.3}, {0.4, 0.4}, {0.3, 0.4}};
        const struct {
            const char *what;
            std::vector<Xy> corners;
            PolygonFault fault;
            std::size_t a, b;
        } checks[] = {
            {"square", square, F::None, 0, 0},
            {"concave arrow", {{0.3, 0.3}, {0.5, 0.4}, {0.3, 0.5}, {0.35, 0.4}}, F::None, 0, 0},
            {"bowtie", {{0.3, 0.3}, {0.4, 0.4}, {0.4, 0.3}, {0.3, 0.4}}, F::CrossingEdges, 0, 2},
            {"corners touch", {{0.3, 0.3}, {0.4, 0.3}, {0.35, 0.35}, {0.4, 0.4}, {0.3, 0.4}, {0.35, 0.35}},
             F::CrossingEdges, 1, 4},
            {"turns back on itself", {{0.3, 0.3}, {0.4, 0.3}, {0.35, 0.3}, {0.35, 0.4}}, F::CrossingEdges, 0, 1},
            {"on one line", {{0.3, 0.3}, {0.35, 0.35}, {0.4, 0.4}}, F::CrossingEdges, 0, 2},
            {"two corners", {{0.3, 0.3}, {0.4, 0.4}}, F::TooFewCorners, 0, 0},
            {"not finite", {{0.3, 0.3}, {0.4, NAN}, {0.3, 0.4}}, F::NotFinite, 0, 0},
        };
        for (const auto &c : checks) {
            const PolygonCheck got = CheckSimplePolygon(c.corners);
            QVERIFY2(got.fault == c.fault && got.edgeA == c.a && got.edgeB == c.b, c.what);
        }
        QCOMPARE(CornersWithoutRepeats(std::vector<Xy>{{0.3, 0.3}, {0.3, 0.3}, {0.4, 0.3}, {0.4, 0.4}, {0.3, 0.3}}),
                 (std::vector<std::size_t>{0, 2, 3}));

        const std::vector<Xy> reversed(square.rbegin(), square.rend());
        const struct {
            const char *what;
            std::vector<Xy> other;
            bool overlap;
        } pairs[] = {
            {"the same, listed backwards", reversed, true},
            {"a corner each way", {{0.35, 0.35}, {0.45, 0.35}, {0.45, 0.45}, {0.35, 0.45}}, true},
            {"one inside the other", {{0.32, 0.32}, {0.38, 0.32}, {0.35, 0.38}}, true},
            {"inside, corners on the edges", {{0.35, 0.3}, {0.4, 0.35}, {0.35, 0.4}, {0.3, 0.35}}, true},
            {"sharing an edge", {{0.4, 0.3}, {0.5, 0.3}, {0.5, 0.4}, {0.4, 0.4}}, false},
            {"sharing half an edge", {{0.4, 0.35}, {0.5, 0.35}, {0.5, 0.45}, {0.4, 0.45}}, false},
            {"touching at a corner", {{0.4, 0.4}, {0.5, 0.4}, {0.5, 0.5}, {0.4, 0.5}}, false},
            {"apart", {{0.41, 0.3}, {0.5, 0.3}, {0.5, 0.4}}, false},
        };
        for (const auto &c : pairs) {
            QVERIFY2(InsidesOverlap(square, c.other) == c.overlap, c.what);
            QVERIFY2(InsidesOverlap(c.other, square) == c.overlap, c.what);
        }
    }

    // Random stars, overlapping, in file order: the grid's lookup finds the
    // first that holds the point, as the reference does, at and beside every
    // corner too. Overlaps agree with the reference where it is plain.
    void lookupsAgreeWithTheReference()
    {
        std::mt19937_64 random(20240518);
        std::uniform_real_distribution<double> centre(0.33, 0.47), size(0.002, 0.04);
        std::vector<std::vector<Xy>> polygons;
        std::vector<Bin> bins;
        for (int i = 0; i < 300; ++i) {
            polygons.push_back(RandomStar(random, {centre(random), centre(random)}, size(random)));
            bins.push_back({"b" + std::to_string(i), polygons.back()});
        }
        const BinSet set(std::move(bins));
        for (Xy p : TestPoints(random, polygons, 10000)) {
            const int want = ReferenceFirst(polygons, p);
            QVERIFY2(set.Find(p) == want, Where(p) + " → " + QByteArray::number(set.Find(p)) + ", want "
                                              + QByteArray::number(want));
        }
        QCOMPARE(BinSet().Find({0.4, 0.4}), kNoBin);

        // A pair overlaps where a point of one lies strictly inside the other.
        const BinOverlaps overlaps = set.FindOverlaps();
        QVERIFY(overlaps.complete && !overlaps.pairs.empty());
        std::uniform_real_distribution<double> unit(0, 1);
        for (int i = 0; i < 2000; ++i) {
            const std::size_t a = std::size_t(unit(random) * 300), b = std::size_t(unit(random) * 300);
            if (a == b)
                continue;
            const Xy p = polygons[a][0], q = polygons[a][1 % polygons[a].size()];
            const Xy c{0.5 * p.x + 0.5 * q.x, 0.5 * p.y + 0.5 * q.y};
            if (Locate(polygons[b], p) == PointLocation::Inside || Locate(polygons[b], c) == PointLocation::Inside)
                QVERIFY(std::binary_search(overlaps.pairs.begin(), overlaps.pairs.end(),
                                               std::pair{std::min(a, b), std::max(a, b)}));
        }
        QVERIFY(!set.FindOverlaps(1000).complete);
    }

    // A point on any edge of a bin is in it, the horizontal ones too; where
    // two bins share the edge, the first takes it.
    void pointsOnTheEdges()
    {
        const std::vector<Xy> box{{0.36, 0.37}, {0.38, 0.37}, {0.38, 0.38}, {0.36, 0.38}};
        const BinSet one({{"box", box}});
        const BinSet below({{"box", box}, {"above", {{0.36, 0.38}, {0.38, 0.38}, {0.38, 0.39}, {0.36, 0.39}}}});
        const BinSet above({{"above", {{0.36, 0.38}, {0.38, 0.38}, {0.38, 0.39}, {0.36, 0.39}}}, {"box", box}});
        const struct {
            Xy p;
            int bin;
        } points[] = {
            {{0.37, 0.38}, 0},  {{0.37, 0.37}, 0},  {{0.36, 0.375}, 0}, {{0.38, 0.375}, 0},
            {{0.36, 0.38}, 0},  {{0.37, std::nextafter(0.38, 1.0)}, kNoBin},
            {{0.37, std::nextafter(0.37, 0.0)}, kNoBin},
        };
        for (const auto &c : points) {
            QVERIFY2(one.Find(c.p) == c.bin, Where(c.p));
            if (c.p.y == 0.38) {
                QVERIFY2(below.Find(c.p) == 0 && above.Find(c.p) == 0, Where(c.p));
            }
        }
    }

    // Strips stacked on each other across the same x range share edges and
    // do not overlap; a strip laid across two of them, a column through a
    // hundred of them and a half column inside it do, and only those pairs
    // are found.
    void overlapsOfStackedStrips()
    {
        // Coordinates on a grid of 1/8192, so that shared edges are exact.
        auto rectangle = [](double left, double bottom, double right, double top) {
            return std::vector<Xy>{{left, bottom}, {right, bottom}, {right, top}, {left, top}};
        };
        constexpr double step = 1.0 / 4096;
        auto row = [&](int k) { return 0.25 + k * step; };
        std::vector<Bin> bins;
        for (int k = 0; k < 2000; ++k)
            bins.push_back({"s" + std::to_string(k), rectangle(0.25, row(k), 0.75, row(k + 1))});
        bins.push_back({"across", rectangle(0.3, row(1000) + step / 2, 0.4, row(1001) + step / 2)});
        bins.push_back({"column", rectangle(0.5, row(100), 0.5 + step, row(200))});
        bins.push_back({"half column", rectangle(0.5, row(100), 0.5 + step / 2, row(150))});
        using Pair = std::pair<std::size_t, std::size_t>;
        std::vector<Pair> want{{1000, 2000}, {1001, 2000}, {2001, 2002}};
        for (std::size_t k = 100; k < 200; ++k)
            want.push_back({k, 2001});
        for (std::size_t k = 100; k < 150; ++k)
            want.push_back({k, 2002});
        std::sort(want.begin(), want.end());
        const BinOverlaps got = BinSet(std::move(bins)).FindOverlaps();
        QVERIFY(got.complete);
        QCOMPARE(got.pairs, want);
    }

    // Sub-bins of the 4000 K quadrangle, a bin over them, a GBK name, a file
    // closing its polygons; and each kind of row that is not a bin.
    void binFiles()
    {
        QTemporaryDir dir;
        const QByteArray good =
            "名称,x1,y1,x2,y2,x3,y3,x4,y4,x5,y5\n"
            "4A,0.4006,0.4044,0.3871,0.3959,0.3784,0.3647,0.3898,0.3716,,\n"
            "\n"
            "4B,0.3871,0.3959,0.3736,0.3874,0.3670,0.3578,0.3784,0.3647,0.3871,0.3959\n"
            "\"全部, 4000K\",0.4006,0.4044,0.3736,0.3874,0.3670,0.3578,0.3898,0.3716\n";
        const batch::BinFile file = ReadBins(batch_testing::WriteFile(dir, "good.csv", good));
        const Xy middleOf4B{(0.3871 + 0.3736 + 0.3670 + 0.3784) / 4, (0.3959 + 0.3874 + 0.3578 + 0.3647) / 4};
        QVERIFY(file.header);
        QCOMPARE(file.lines, (std::vector<std::uint64_t>{2, 4, 5}));
        QCOMPARE(file.bins[1].corners.size(), std::size_t(4)); // the closing corner counts once
        QCOMPARE(file.bins[2].name, std::string("全部, 4000K"));
        QCOMPARE(file.bins.Find({0.3871, 0.3959}), 0); // on the edge 4A and 4B share
        QCOMPARE(file.bins.Find(middleOf4B), 1);
        QCOMPARE(file.bins.Find({0.3700, 0.4100}), kNoBin);
        using Pair = std::pair<std::size_t, std::size_t>;
        QCOMPARE(file.bins.FindOverlaps().pairs, (std::vector<Pair>{{0, 2}, {1, 2}}));

        const QByteArray gbk = batch_testing::Encoded("暖白一档\t0.45\t0.41\t0.46\t0.41\t0.455\t0.42\n", "GBK");
        const batch::BinFile tabbed = ReadBins(batch_testing::WriteFile(dir, "gbk.tsv", gbk));
        QVERIFY(!tabbed.header && tabbed.delimiter == '\t' && tabbed.encoding == batch::Encoding::Gb18030);
        QCOMPARE(tabbed.bins[0].name, std::string("暖白一档"));

        const struct {
            QByteArray row; // the third line, after a header and a good bin
            const char *reason;
        } bad[] = {
            {"X,0.30,0.30,0.40,0.40,0.40,0.30,0.30,0.40", "分档“X”的边 1–2 与边 3–4 相交（或重叠）"},
            {"X,0.30,0.30,0.40,0.30,0.40", "分档“X”的第 3 个角点只有 x，缺少 y 坐标。"},
            {"X,0.30,0.30,,0.30,0.40,0.40", "分档“X”的第 2 个角点的 x 坐标是空的。"},
            {"X,0.30,0.30,0.38O2,0.30,0.40,0.40", "分档“X”的第 2 个角点的 x 坐标“0.38O2”不是一个数。"},
            {"X,0.30,0.30,0.40,0.30,0.30,0.30", "分档“X”只有 2 个角点，至少要 3 个（重复的角点只算一次）。"},
            {"X,0.30,0.30,1e999,0.30,0.40,0.40", "分档“X”的第 2 个角点的 x 坐标“1e999”超出了范围"},
            {"A,0.30,0.30,0.40,0.30,0.40,0.40", "分档名称“A”与第 2 行的重复。"},
            {",0.30,0.30,0.40,0.30,0.40,0.40", "第一列是空的"},
            // Only the first row may be a header of text.
            {"B,abc,def,ghi,jkl,mno,pqr", "分档“B”的第 1 个角点的 x 坐标“abc”不是一个数。"},
            // Edges named by the file's corners, the repeated second one dropped.
            {"X,0,0,0,0,1,1,1,0,0,1", "分档“X”的边 1–3 与边 4–5 相交（或重叠）"},
        };
        for (const auto &c : bad) {
            const QString path = batch_testing::WriteFile(dir, "bad.csv", "bin,x1,y1\nA,0.3,0.3,0.4,0.3,0.4,0.4\n" + c.row);
            try {
                ReadBins(path);
                QFAIL(c.row.constData());
            } catch (const batch::BinFileError &e) {
                QCOMPARE(e.line(), std::uint64_t(3));
                QVERIFY2(QString::fromUtf8(e.what()).startsWith(QStringLiteral("第 3 行：") + QString::fromUtf8(c.reason)),
                         e.what());
            }
        }
        for (const QByteArray &empty : {QByteArray(), QByteArray("\n \n"), QByteArray("名称,x1,y1\n")}) {
            try {
                ReadBins(batch_testing::WriteFile(dir, "empty.csv", empty));
                QFAIL("an empty file read");
            } catch (const batch::BinFileError &e) {
                QCOMPARE(e.line(), std::uint64_t(0));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestBins)
#include "test_bins.moc"

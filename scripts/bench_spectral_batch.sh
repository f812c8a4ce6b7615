#!/usr/bin/env bash
# Spectral and binned batch rating, figures printed (nothing is timed in the
# tests):
#  1. rows per second and peak memory of ambrix --batch on a generated wide
#     spectral file (LEDS rows, 380–780 nm at 1 nm: 401 spectral columns),
#     beside mawk summing only X, Y and Z of the same rows and cat of it;
#  2. rows per second of ambrix --batch on a file of (x, y) points with
#     1,000 bins loaded (--bins) and without.
#
#   scripts/bench_spectral_batch.sh [LEDS] [POINTS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
leds=${1:-100000}
points=${2:-4000000}
build=${3:-build}
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ambrix >/dev/null
ambrix=$PWD/$build/ambrix/ambrix
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cmf=/usr/share/colord/cmf/CIE1931-2deg-XYZ.cmf

work=$(mktemp -d /tmp/bench_spectral_batch.XXXXXX)
trap 'rm -rf "$work"' EXIT

source scripts/bench_measure.sh

# ---- 1. A wide spectral file -------------------------------------------------
# Phosphor-converted white LEDs: a blue pump near 450 nm and a broad yellow
# phosphor band, each LED a little different; four significant decimals.
wide=$work/wide.csv
echo "Generating $leds LEDs at 1 nm (401 spectral columns) ..."
mawk -v n="$leds" 'BEGIN {
    srand(7); printf "id"; for (nm = 380; nm <= 780; nm++) printf ",%d", nm; printf "\n"
    for (i = 1; i <= n; i++) {
        pump = 445 + 10 * rand(); phosphor = 550 + 30 * rand(); ratio = 0.4 + 0.3 * rand()
        printf "LED-%06d", i
        for (nm = 380; nm <= 780; nm++) {
            b = (nm - pump) / 10; p = (nm - phosphor) / 60
            printf ",%.4f", exp(-b * b / 2) + ratio * exp(-p * p / 2)
        }
        printf "\n"
    }
}' > "$wide"
echo "File: $(( $(stat -c %s "$wide") / 1048576 )) MiB, $leds rows"
cat "$wide" > /dev/null


echo
measure "cat" "$leds" cat "$wide"
measure "mawk (X, Y, Z only)" "$leds" mawk "$xyz" "$cmf" "$wide"
measure "ambrix --batch (every figure, TM-30)" "$leds" "$ambrix" --batch "$wide" --standard GB --cct 4000
measure "ambrix --batch --tm30-bins --format json" "$leds" "$ambrix" --batch "$wide" --standard GB --cct 4000 --tm30-bins --format json
echo "Goal: faster than mawk, peak memory under 64 MiB."
echo
echo "Every core (wall clock, not pinned):"
measure_threads "ambrix --batch (every figure, TM-30)" "$leds" "$ambrix" --batch "$wide" --standard GB --cct 4000

# ---- 2. Bins -----------------------------------------------------------------
# 1,000 bins: a 40 × 25 grid of quadrangles, a little skewed, over
# x 0.30–0.50, y 0.30–0.45; points scattered over the same region.
bins=$work/bins.csv
mawk 'BEGIN { print "name,x1,y1,x2,y2,x3,y3,x4,y4"
    for (i = 0; i < 40; i++) for (j = 0; j < 25; j++) {
        x0 = 0.30 + 0.005 * i; y0 = 0.30 + 0.006 * j; s = 0.0004 * i / 40
        printf "B%02d-%02d,%.5f,%.5f,%.5f,%.5f,%.5f,%.5f,%.5f,%.5f\n", i, j,
               x0, y0 + s, x0 + 0.005, y0 + s + 0.0004, x0 + 0.005, y0 + 0.006 + s + 0.0004, x0, y0 + 0.006 + s
    } }' > "$bins"
xy=$work/points.csv
echo
echo "Generating $points points ..."
mawk -v n="$points" 'BEGIN {
    srand(11); print "sample,flux,CIE x,CIE y"
    for (i = 1; i <= n; i++)
        printf "LED-%07d,%.2f,%.5f,%.5f\n", i, 80 + 40 * rand(), 0.30 + 0.2 * rand(), 0.30 + 0.15 * rand()
}' > "$xy"
cat "$xy" > /dev/null
echo
measure "ambrix --batch (no bins)" "$points" "$ambrix" --batch "$xy" --standard GB --cct 4000
measure "ambrix --batch --bins (1,000 bins)" "$points" "$ambrix" --batch "$xy" --standard GB --cct 4000 --bins "$bins"
echo "Goal: at least 1,000,000 rows/s on one core with 1,000 bins, within a quarter of no bins."
echo
echo "ambrix's summary of the spectral file:"
taskset -c 0 "$ambrix" --batch "$wide" --standard GB --cct 4000 2>&1 >/dev/null | sed 's/^/  /'

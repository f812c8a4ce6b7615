#!/usr/bin/env bash
# Rows per second and peak memory of ambrix --batch on a generated file of
# measured points (10 million rows by default), beside mawk computing the
# standard's SDCM of the same rows and cat of the file. Figures printed;
# nothing is timed in the tests.
#
#   scripts/bench_batch.sh [ROWS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-10000000}
build=${2:-build}
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ambrix >/dev/null
ambrix=$PWD/$build/ambrix/ambrix
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

work=$(mktemp -d /tmp/bench_batch.XXXXXX)
trap 'rm -rf "$work"' EXIT
file=$work/points.csv

# Points scattered around the GB 4000 K centre (0.38, 0.38), five decimals as
# instruments write them, with a sample name and a flux column beside them.
echo "Generating $rows rows ..."
mawk -v n="$rows" 'BEGIN {
    srand(11); print "sample,flux,CIE x,CIE y"
    for (i = 1; i <= n; i++)
        printf "LED-%07d,%.2f,%.5f,%.5f\n", i, 80 + 40 * rand(), 0.37 + 0.02 * rand(), 0.37 + 0.02 * rand()
}' > "$file"
size=$(stat -c %s "$file")
echo "File: $((size / 1048576)) MiB, $rows rows"
cat "$file" > /dev/null # into the page cache for every contestant alike

source scripts/bench_measure.sh

# The standard's SDCM for GB 4000 K: g11 = 395000, g12 = -50 * 4300, g22 = 260000.
sdcm='BEGIN { FS = ","; OFS = "," }
NR == 1 { print $0, "sdcm"; next }
{ dx = $3 - 0.38; dy = $4 - 0.38
  printf "%s,%.4f\n", $0, sqrt(395000 * dx * dx + 2 * -215000 * dx * dy + 260000 * dy * dy) }'

echo
measure "cat" "$rows" cat "$file"
measure "mawk (standard's SDCM only)" "$rows" mawk "$sdcm" "$file"
measure "ambrix --batch (csv)" "$rows" "$ambrix" --batch "$file" --standard GB --cct 4000
measure "ambrix --batch (json)" "$rows" "$ambrix" --batch "$file" --standard GB --cct 4000 --format json
measure "ambrix --batch (csv, from stdin)" "$rows" sh -c "exec \"$ambrix\" --batch - --standard GB --cct 4000 < \"$file\""
measure "ambrix --batch (csv, --plot .png)" "$rows" "$ambrix" --batch "$file" --standard GB --cct 4000 --plot "$work/plot.png"
echo
echo "Every core (wall clock, not pinned):"
measure_threads "ambrix --batch (csv)" "$rows" "$ambrix" --batch "$file" --standard GB --cct 4000
echo
echo "ambrix's summary:"
"$ambrix" --batch "$file" --standard GB --cct 4000 2>&1 >/dev/null | sed 's/^/  /'
echo "Goal: faster than mawk, at least 1,000,000 rows/s on one core, under 50 MiB peak."

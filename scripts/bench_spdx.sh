#!/usr/bin/env bash
# IES TM-27 documents read in bulk, figures printed (nothing is timed in the
# tests): files per second of cendrel --batch on a folder of FILES .spdx
# documents (380–780 nm at 1 nm, every figure), one thread and every core,
# beside mawk summing X, Y and Z of the same spectra as one CSV file; then
# the time to write them all back with --export-spdx.
#
#   scripts/bench_spdx.sh [FILES] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-10000}
build=${2:-build}
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- cendrel >/dev/null
cendrel=$PWD/$build/cendrel/cendrel
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cmf=/usr/share/colord/cmf/CIE1931-2deg-XYZ.cmf

work=$(mktemp -d /tmp/bench_spdx.XXXXXX)
trap 'rm -rf "$work"' EXIT
source scripts/bench_measure.sh

# The same LEDs as bench_spectral_batch.sh: a pump near 450 nm and a broad
# phosphor band, four decimals; each as a document and as a row of a CSV.
mkdir "$work/tray"
echo "Generating $files documents at 1 nm ..."
mawk -v n="$files" -v dir="$work/tray" -v csv="$work/tray.csv" 'BEGIN {
    srand(7); printf "id" > csv; for (nm = 380; nm <= 780; nm++) printf ",%d", nm > csv; printf "\n" > csv
    for (i = 1; i <= n; i++) {
        pump = 445 + 10 * rand(); phosphor = 550 + 30 * rand(); ratio = 0.4 + 0.3 * rand()
        f = sprintf("%s/LED-%06d.spdx", dir, i)
        printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<IESTM2714 xmlns=\"http://www.ies.org/iestm2714\" version=\"1.0\">\n" > f
        printf "<Header><Manufacturer>Bench</Manufacturer><CatalogNumber>LED-%06d</CatalogNumber><ReportDate>2026-12-01</ReportDate></Header>\n", i > f
        printf "<SpectralDistribution><SpectralQuantity>relative</SpectralQuantity>\n" > f
        printf "LED-%06d", i > csv
        for (nm = 380; nm <= 780; nm++) {
            b = (nm - pump) / 10; p = (nm - phosphor) / 60; v = exp(-b * b / 2) + ratio * exp(-p * p / 2)
            printf "<SpectralData wavelength=\"%d\">%.4f</SpectralData>\n", nm, v > f
            printf ",%.4f", v > csv
        }
        printf "</SpectralDistribution>\n</IESTM2714>\n" > f
        close(f)
        printf "\n" > csv
    }
}'
echo "Folder: $(du -sm "$work/tray" | cut -f1) MiB in $files files; the CSV: $(( $(stat -c %s "$work/tray.csv") / 1048576 )) MiB"
cat "$work"/tray/* "$work/tray.csv" > /dev/null


echo
echo "(rows/s below are files/s)"
measure "mawk (X, Y, Z of the CSV only)" "$files" mawk "$xyz" "$cmf" "$work/tray.csv"
measure "cendrel --batch FOLDER --jobs 1" "$files" "$cendrel" --batch "$work/tray" --jobs 1
measure "cendrel --batch FOLDER --export-spdx" "$files" "$cendrel" --batch "$work/tray" --jobs 1 --export-spdx "$work/out"
echo
echo "Every core (wall clock, not pinned):"
measure_threads "cendrel --batch FOLDER" "$files" "$cendrel" --batch "$work/tray"

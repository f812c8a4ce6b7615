#!/usr/bin/env bash
# Spectral files read whole or set by set, figures printed (nothing is timed
# in the tests): rows per second and peak memory of ambrix --batch on
#  1. a CGATS file of SETS sets (380–780 nm at 5 nm, SAMPLE_ID and 81
#     spectral fields, four decimals: about 650 bytes a set), read set by
#     set: memory stays flat whatever the number of sets;
#  2. a long file of LEDS LEDs (a column each, 360–830 nm at 1 nm: 471
#     rows), read whole: its memory grows with the values it holds.
#
#   scripts/bench_layouts.sh [SETS] [LEDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
sets=${1:-100000}
leds=${2:-10000}
build=${3:-build}
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ambrix >/dev/null
ambrix=$PWD/$build/ambrix/ambrix
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

work=$(mktemp -d /tmp/bench_layouts.XXXXXX)
trap 'rm -rf "$work"' EXIT

source scripts/bench_measure.sh

# Phosphor-converted white LEDs: a blue pump near 450 nm and a broad yellow
# phosphor band, each LED a little different; four decimals.
led='function value(nm) { b = (nm - pump) / 10; p = (nm - phosphor) / 60
                          return exp(-b * b / 2) + ratio * exp(-p * p / 2) }
     function shape() { pump = 445 + 10 * rand(); phosphor = 550 + 30 * rand(); ratio = 0.4 + 0.3 * rand() }'

cgats=$work/sets.cgats
echo "Generating a CGATS file of $sets sets ..."
mawk -v n="$sets" "$led"'
BEGIN {
    srand(7)
    print "CGATS.17\nORIGINATOR \"bench_layouts\"\nDESCRIPTOR \"LED spectra\""
    print "SPECTRAL_START_NM 380\nSPECTRAL_END_NM 780\nSPECTRAL_BANDS 81\nNUMBER_OF_FIELDS 82"
    printf "BEGIN_DATA_FORMAT\nSAMPLE_ID"
    for (nm = 380; nm <= 780; nm += 5) printf " SPEC_%d", nm
    printf "\nEND_DATA_FORMAT\nNUMBER_OF_SETS %d\nBEGIN_DATA\n", n
    for (i = 1; i <= n; i++) {
        shape(); printf "LED-%06d", i
        for (nm = 380; nm <= 780; nm += 5) printf " %.4f", value(nm)
        printf "\n"
    }
    print "END_DATA"
}' > "$cgats"
echo "File: $(( $(stat -c %s "$cgats") / 1048576 )) MiB, $sets sets"

long=$work/long.tsv
echo "Generating a long file of $leds LEDs at 1 nm (471 rows) ..."
mawk -v n="$leds" "$led"'
BEGIN {
    srand(11)
    print "仪器: bench_layouts\n积分时间: 100 ms\n"
    printf "波长(nm)"
    for (i = 1; i <= n; i++) { printf "\tLED-%05d", i; shape(); P[i] = pump; F[i] = phosphor; R[i] = ratio }
    printf "\n"
    for (nm = 360; nm <= 830; nm++) {
        printf "%d", nm
        for (i = 1; i <= n; i++) { pump = P[i]; phosphor = F[i]; ratio = R[i]; printf "\t%.4f", value(nm) }
        printf "\n"
    }
}' > "$long"
echo "File: $(( $(stat -c %s "$long") / 1048576 )) MiB, $leds LEDs × 471 values"
cat "$cgats" "$long" > /dev/null

echo
measure "ambrix --batch CGATS ($sets sets)" "$sets" "$ambrix" --batch "$cgats" --standard GB --cct 4000
sed -n '1p' "$work/stderr.txt" | sed 's/^/  /'
measure "ambrix --batch long ($leds LEDs)" "$leds" "$ambrix" --batch "$long" --standard GB --cct 4000
sed -n '1p' "$work/stderr.txt" | sed 's/^/  /'
values=$(( leds * 471 ))
echo "Long file: $values values. Goal: CGATS under 64 MiB at any size; long file about 4 bytes a value beside the program."

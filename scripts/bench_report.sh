#!/usr/bin/env bash
# Time and peak memory of ambrix --batch … --report on generated trays of
# LEDs: 100 and 1,000 pages by default (more with PAGES), each a wide
# spectral file (an ID, the instrument's x and y, 380–780 nm at 5 nm) of
# phosphor-converted white LEDs around 4000 K, one row in twenty failed.
# Peak memory that stays the same from 100 to 1,000 (and 10,000) pages shows
# that the pages stream. With --bins N every row is also sorted into N bins
# (stacked strips, below), which every page's diagram shows where they reach
# into its view, and the report's own CPU time is printed. Figures printed;
# nothing is timed in the tests.
# With --shots DIR it instead renders an LED page and a tray page (PDF, PNG
# at 192 dpi, and the PDF through pdftoppm at print size) to DIR.
#
#   scripts/bench_report.sh [PAGES...] [--build BUILD_DIR] [--bins N] | --shots [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C.UTF-8
if [[ "${1:-}" == --shots ]]; then
  bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- report_shots >/dev/null
  out=$(realpath -m "${2:-screenshots/report}")
  QT_QPA_PLATFORM=offscreen build/tools/bench_report/report_shots "$out" docs/examples/bins-4000K.csv
  for page in report-led report-tray; do
    pdftoppm -r 96 -png -singlefile "$out/$page.pdf" "$out/$page-print"
    pdftoppm -r 192 -png -singlefile "$out/$page.pdf" "$out/$page-192dpi"
  done
  ls "$out"
  exit
fi
build=build
pages=()
bins=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --bins) bins=$2; shift 2 ;;
    *) pages+=("$1"); shift ;;
  esac
done
[ ${#pages[@]} -gt 0 ] || pages=(100 1000)
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ambrix >/dev/null
ambrix=$PWD/$build/ambrix/ambrix
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

work=$(mktemp -d /tmp/bench_report.XXXXXX)
trap 'rm -rf "$work"' EXIT

# A blue pump at 450 nm and two phosphor bands (540 and 630 nm), their
# weights scattered; the x and y columns are the instrument's own.
generate() {
  mawk -v n="$1" 'function g(nm, p, w) { s = w / 2.3548; return exp(-0.5 * (nm - p) * (nm - p) / (s * s)) }
  BEGIN {
    srand(19); printf "ID,x,y"
    for (nm = 380; nm <= 780; nm += 5) printf ",%d", nm
    printf "\n"
    for (i = 1; i <= n; i++) {
      pump = 0.98 * (0.9 + 0.2 * rand()); red = 0.82 * (0.9 + 0.2 * rand())
      printf "LED-%05d,%.4f,%.4f", i, 0.37 + 0.02 * rand(), 0.37 + 0.02 * rand()
      for (nm = 380; nm <= 780; nm += 5) {
        v = pump * g(nm, 450, 20) + 0.78 * g(nm, 540, 105) + red * g(nm, 630, 85)
        if (i % 20 == 7 && nm == 555) printf ",bad"; else printf ",%.5f", v
      }
      printf "\n"
    }
  }' > "$2"
}

# N bins: strips stacked over y 0.2–0.6 that share the x range 0.2–0.6, as
# a file of fine bins may hold them; each LED page's diagram shows a slice
# of them, the tray page's all. With bins the run is also timed without the
# report, so that the report's own time shows (CPU seconds, user + system:
# steadier than the wall clock on a busy machine).
binOptions=()
if [ "$bins" -gt 0 ]; then
  mawk -v n="$bins" 'BEGIN {
    h = 0.4 / n
    print "bin,x1,y1,x2,y2,x3,y3,x4,y4"
    for (i = 0; i < n; i++) {
      y = 0.2 + i * h
      printf "S%d,0.2,%.8f,0.6,%.8f,0.6,%.8f,0.2,%.8f\n", i, y, y, y + h, y + h
    }
  }' > "$work/bins.csv"
  binOptions=(--bins "$work/bins.csv")
  echo "with $bins bins"
fi

cpu() { mawk 'END { print $2 + $3 }' "$1"; }

printf "%-8s %9s %11s %12s %12s" pages "wall s" "pages/s" "peak MiB" "PDF MiB"
[ "$bins" -gt 0 ] && printf " %14s" "report CPU s"
printf "\n"
for n in "${pages[@]}"; do
  rows=$((n > 1 ? n - 1 : 1))
  generate "$rows" "$work/tray.csv"
  rm -f "$work/report.pdf"
  start=$(date +%s.%N)
  /usr/bin/time -f "%M %U %S" -o "$work/time.txt" "$ambrix" --batch "$work/tray.csv" --standard GB --cct 4000 \
      -o "$work/rated.csv" --report "$work/report.pdf" "${binOptions[@]}" 2>"$work/stderr.txt" || true
  end=$(date +%s.%N)
  got=$(pdfinfo "$work/report.pdf" 2>/dev/null | mawk '/^Pages:/ { print $2 }')
  [ "$got" = "$n" ] || { echo "expected $n pages, got ${got:-none}"; cat "$work/stderr.txt"; exit 1; }
  mawk -v n="$n" -v a="$start" -v b="$end" -v size="$(stat -c %s "$work/report.pdf")" '
    { kib = $1 } END { wall = b - a
      printf "%-8d %9.2f %11.1f %12.1f %12.1f", n, wall, n / wall, kib / 1024, size / 1048576 }' "$work/time.txt"
  if [ "$bins" -gt 0 ]; then
    /usr/bin/time -f "%M %U %S" -o "$work/plain.txt" "$ambrix" --batch "$work/tray.csv" --standard GB --cct 4000 \
        -o "$work/rated.csv" "${binOptions[@]}" 2>/dev/null || true
    printf " %14.2f" "$(mawk -v a="$(cpu "$work/time.txt")" -v b="$(cpu "$work/plain.txt")" 'BEGIN { print a - b }')"
  fi
  printf "\n"
done

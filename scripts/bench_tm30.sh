#!/usr/bin/env bash
# Prints how many TM-30 figure sets (Rf, Rg, the 16 hue bins) one core
# computes per second through the library, and how far the 5 nm figures lie
# from 1 nm ones on CIE F1–F12, A, D65 and phosphor LEDs.
# With --shots DIR it instead saves pictures of the colour vector graphic and
# the hue-bin bar charts (PNG at scale 1 and 2, SVG, PDF) to DIR.
# Usage: scripts/bench_tm30.sh [spectra] | --shots [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [[ "${1:-}" == --shots ]]; then
  bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- tm30_shots >/dev/null
  out=$(realpath -m "${2:-screenshots/tm30}")
  export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
  build/tools/bench_tm30/tm30_shots "$out"
  QT_SCALE_FACTOR=2 build/tools/bench_tm30/tm30_shots "$out/scale2"
  exit
fi
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_tm30 >/dev/null
build/tools/bench_tm30/bench_tm30 "$@"

#!/usr/bin/env bash
# Prints how many measured spectra one core rates per second with every
# figure (chromaticity, exact CCT and Duv, Ra and R1–R15, peak, FWHM,
# luminous efficacy), at 5 nm and at 1 nm.
# Usage: scripts/bench_spectra.sh [spectra]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_spectra >/dev/null
build/tools/bench_spectra/bench_spectra "$@"

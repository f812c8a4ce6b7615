#!/usr/bin/env bash
# Prints how many exact CCT/Duv and SDCM evaluations one core does per second,
# and what the first call (building the locus table) costs.
# Usage: scripts/bench_colorimetry.sh [points]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_colorimetry >/dev/null
build/tools/bench_colorimetry/bench_colorimetry "$@"

#!/usr/bin/env bash
# Bin lookups per second on one core with 1,000 bins loaded and with none,
# and what each would leave of the batch's rate (rows/s of ambrix --batch
# without bins; scripts/bench_batch.sh measures it). Figures printed; nothing
# is timed in the tests.
#
#   scripts/bench_bins.sh [POINTS] [BATCH_ROWS_PER_SECOND]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_bins >/dev/null
taskset -c 0 build/tools/bench_bins/bench_bins "${1:-4000000}" "${2:-2000000}"

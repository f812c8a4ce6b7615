#!/usr/bin/env bash
# Fuzzes the entry and number rules and the computations behind them.
#   scripts/fuzz.sh [seconds] [--runs=N] [--merge]
# Builds the libFuzzer target in build-fuzz (clang, ASan + UBSan), runs it in
# one process for the given time (default 60 s; with --runs=N until N inputs
# have run, or the time is up, whichever comes first: give 0 seconds for no
# time limit) from the seed corpus in fuzz/corpus/entry, and prints how many
# inputs ran and the coverage reached. New inputs go to
# build-fuzz/corpus-entry; with --merge, those that add coverage are merged
# into fuzz/corpus/entry.
# A finding is written as fuzz/crash-* (or leak-*, timeout-*).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=60
runs=-1
merge=0
usage() { echo "usage: scripts/fuzz.sh [seconds] [--runs=N] [--merge]" >&2; exit 2; }
for arg in "$@"; do
  case "$arg" in
    --merge) merge=1 ;;
    --runs=*) runs=${arg#--runs=}; case "$runs" in ''|*[!0-9]*) usage ;; esac ;;
    ''|*[!0-9]*) usage ;;
    *) seconds=$arg ;;
  esac
done

build="$root/build-fuzz"
seeds="$root/fuzz/corpus/entry"
work="$build/corpus-entry"
log="$build/fuzz_entry.log"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DNORVAK_FUZZ=ON -DNORVAK_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target fuzz_entry
mkdir -p "$work"

status=0
# -max_len: enough for long texts, small enough for many runs a second.
"$build/fuzz/fuzz_entry" "$work" "$seeds" \
  -max_total_time="$seconds" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/fuzz/entry.dict" -print_final_stats=1 -artifact_prefix="$root/fuzz/" \
  2>"$log" || status=$?

grep -E '^(==[0-9]+==|SUMMARY|.*runtime error)' "$log" || true
executed=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo '?')
elapsed=$(grep -oE '^Done [0-9]+ runs in [0-9]+ second' "$log" | grep -oE '[0-9]+ second' | grep -oE '[0-9]+' || echo '?')
# The last status line: edges and features covered, corpus size.
coverage=$(grep -E '^#[0-9]+' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' | tail -1 || true)
echo "fuzz_entry: $executed executions in ${elapsed} s, ${coverage:-no coverage line}, exit status $status (log: $log)"

if [ "$status" -eq 0 ] && [ "$merge" -eq 1 ]; then
  before=$(ls "$seeds" | wc -l)
  "$build/fuzz/fuzz_entry" -merge=1 -max_len=4096 "$seeds" "$work" 2>>"$log"
  echo "fuzz_entry: seed corpus $before -> $(ls "$seeds" | wc -l) inputs"
fi
exit "$status"

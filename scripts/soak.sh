#!/usr/bin/env bash
# A long session with both programs, for their memory. Builds the soak tool
# and runs it headless: thousands of rounds through the real screens, with
# resident memory printed at the start, every thousand rounds and at the end,
# and the growth from round 1000 to the end (goal: under 5 %).
#
#   scripts/soak.sh [rounds] [--asan]
#
# Default 10000 rounds in the RelWithDebInfo tree build/. With --asan the
# AddressSanitizer tree build-asan/ is used with LeakSanitizer on (1000
# rounds unless given), and the summary says whether it reported a leak;
# growth under ASan is its own quarantine and means nothing. SOAK_BUILD_DIR
# names another build tree. When growth misses the goal, a shorter run with
# Qt's pixmap cache off shows whether the programs or that cache grow.
# Exit status 1 when a screen misbehaved or LeakSanitizer reported a leak.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

rounds=
asan=0
for arg in "$@"; do
  case "$arg" in
    --asan) asan=1 ;;
    ''|*[!0-9]*) echo "usage: scripts/soak.sh [rounds] [--asan]" >&2; exit 2 ;;
    *) rounds=$arg ;;
  esac
done
if [ "$asan" -eq 1 ]; then
  dir=${SOAK_BUILD_DIR:-build-asan}
  opts=(-DCMAKE_BUILD_TYPE=Debug -DNORVAK_SANITIZE=ON)
  rounds=${rounds:-1000}
else
  dir=${SOAK_BUILD_DIR:-build}
  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  rounds=${rounds:-10000}
fi

bash scripts/setup.sh
bash scripts/build.sh "$dir" "${opts[@]}" -- norvak_soak >/dev/null
soak="$dir/tools/soak/norvak_soak"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=1"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
log="$dir/soak.log"

# The lines of the tool's stderr worth showing: what a screen did wrong, and
# the sanitizers' reports with the suppressions LeakSanitizer used.
matters='^round [0-9]+: |ERROR: |SUMMARY: |runtime error'
suppressed='^ *[0-9]+ +[0-9]+ +leak:'
matters="$matters|^Suppressions used|^ *count +bytes|$suppressed"

# Runs the tool with its figures to the terminal and to the log given first,
# its stderr to that log's .err file.
run() {
  local out=$1 status=0
  shift
  "$soak" "$@" 2>"$out.err" | tee "$out" || status=$?
  grep -E "$matters" "$out.err" >&2 || true
  return "$status"
}

# "from round 1000 to 10000: +1.23" from the tool's growth line.
growth_in() {
  sed -nE 's/^growth from round ([0-9]+) to round ([0-9]+): ([-+][0-9.]+) %.*/from round \1 to \2: \3/p' \
    "$1"
}

status=0
run "$log" "$rounds" || status=$?

growth=$(growth_in "$log")
mismatches=$(sed -nE 's/^checks: [0-9]+, mismatches: ([0-9]+)/\1/p' "$log")
memory=$(sed -nE 's/^VmRSS start ([0-9]+) kB, end ([0-9]+) kB.*/\1 -> \2 kB/p' "$log")

if [ "$asan" -eq 1 ]; then
  if grep -q 'ERROR: LeakSanitizer' "$log.err"; then
    leaks="LeakSanitizer reported leaks (see $log.err)"
    status=1
  elif grep -q '^Suppressions used' "$log.err"; then
    used=$(grep -cE "$suppressed" "$log.err")
    leaks="LeakSanitizer: no leak outside the system libraries in lsan.supp ($used matched)"
  else
    leaks="LeakSanitizer: no leak"
  fi
  verdict="growth ${growth:-?} % (ASan's quarantine, not judged), $leaks"
elif [ -z "$growth" ]; then
  verdict="growth: too few rounds to judge"
elif awk -v g="${growth##* }" 'BEGIN { exit !(g < 5) }'; then
  verdict="growth $growth %, goal under 5 % met"
else
  echo "== growth above the goal; $((rounds / 5)) rounds with Qt's pixmap cache off:" >&2
  run "$log.nocache" "$((rounds / 5))" --no-pixmap-cache >/dev/null || status=$?
  verdict="growth $growth %, goal under 5 % missed;"
  verdict="$verdict with Qt's pixmap cache off $(growth_in "$log.nocache") %"
fi
[ "$status" -ne 0 ] && verdict="$verdict; the soak exited with status $status"

echo "SUMMARY soak: $rounds rounds in $dir, VmRSS ${memory:-?}, ${mismatches:-?} mismatches," \
  "$verdict"
exit "$status"

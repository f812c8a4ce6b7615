#!/usr/bin/env bash
# Runs every Qt Test executable of the suite under valgrind memcheck, one at a
# time, headless, and prints per test its result, memcheck errors and bytes
# definitely lost, then "N passed, N failed".
#   scripts/valgrind.sh [REGEX]     (only the tests whose name matches)
# Builds in build-valgrind (RelWithDebInfo). A test fails when it fails on its
# own, when memcheck reports an error or a definite leak that
# tests/support/valgrind.supp does not suppress, or when it runs out of time
# (NORVAK_VALGRIND_TIMEOUT seconds each, default 1800). Full reports go to
# build-valgrind/valgrind/NAME.log, the test's own output to NAME.out.
# VALGRIND_EXTRA adds options, e.g. VALGRIND_EXTRA=--track-origins=yes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
filter=${1:-.}
build="$root/build-valgrind"
logs="$build/valgrind"
limit=${NORVAK_VALGRIND_TIMEOUT:-1800}
memcheck_error=99

bash scripts/setup.sh valgrind
bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
mkdir -p "$logs"

# name, working directory and command of every test CTest knows, one a line.
# The accessibility test drives the built programs from outside and is no
# Qt Test executable; neither is anything that is not an executable in the
# build tree.
mapfile -t tests < <(ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, os, sys
build = sys.argv[1]
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or []
    if test["name"] == "accessibility" or not command:
        continue
    if not command[0].startswith(build + "/") or not os.access(command[0], os.X_OK):
        continue
    workdir = next((p["value"] for p in test.get("properties", [])
                    if p["name"] == "WORKING_DIRECTORY"), build)
    print("\t".join([test["name"], workdir] + command))
' "$build")

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

passed=0
failed=0
printf '%-26s %-8s %7s %16s %8s\n' test result errors "definitely lost" seconds
for line in "${tests[@]}"; do
  IFS=$'\t' read -r -a fields <<<"$line"
  name=${fields[0]}; workdir=${fields[1]}; command=("${fields[@]:2}")
  [[ "$name" =~ $filter ]] || continue

  start=$SECONDS
  status=0
  # shellcheck disable=SC2086 # VALGRIND_EXTRA is a list of options
  (cd "$workdir" && timeout --kill-after=30 "$limit" \
     valgrind --tool=memcheck --error-exitcode=$memcheck_error \
       --leak-check=full --errors-for-leak-kinds=definite \
       --show-leak-kinds=definite --num-callers=40 \
       --suppressions="$root/tests/support/valgrind.supp" \
       --log-file="$logs/$name.log" ${VALGRIND_EXTRA:-} \
       "${command[@]}" >"$logs/$name.out" 2>&1) || status=$?
  seconds=$((SECONDS - start))

  errors=$(grep -oE 'ERROR SUMMARY: [0-9,]+' "$logs/$name.log" | tail -1 | grep -oE '[0-9,]+$' | tr -d , || true)
  lost=$(grep -oE 'definitely lost: [0-9,]+ bytes' "$logs/$name.log" | tail -1 | grep -oE '[0-9,]+' | tr -d , || true)
  if [ -z "$lost" ] && grep -q 'no leaks are possible' "$logs/$name.log"; then lost=0; fi
  case $status in
    0) result=ok ;;
    "$memcheck_error") result=memcheck ;;
    124|137) result=timeout ;;
    *) result="exit-$status" ;;
  esac
  if [ "$status" -eq 0 ] && [ "${errors:-0}" -eq 0 ] && [ "${lost:-0}" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    [ "$result" = ok ] && result=leak
  fi
  printf '%-26s %-8s %7s %10s bytes %8s\n' "$name" "$result" "${errors:-?}" "${lost:-?}" "$seconds"
done

echo "reports in $logs"
echo "memcheck: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

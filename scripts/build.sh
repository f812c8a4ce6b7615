#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh DIR [cmake options...] [-- targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja "${opts[@]}" >/dev/null
elif [ ${#opts[@]} -gt 0 ]; then
  cmake "$dir" "${opts[@]}" >/dev/null
fi
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$dir" -j2 --target "${targets[@]}"
else
  cmake --build "$dir" -j2
fi

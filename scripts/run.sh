#!/usr/bin/env bash
# Builds one program and starts it: scripts/run.sh ambrix | cendrel
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-ambrix}
case "$program" in
  ambrix|cendrel) ;;
  *) echo "usage: scripts/run.sh ambrix|cendrel" >&2; exit 2 ;;
esac
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- "$program" >/dev/null
exec "build/$program/$program"

#!/usr/bin/env bash
# Prints start-up time and peak memory of both programs beside a bare Qt
# window built the same way, in real windows under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_bare bench_bare_text bench_ambrix bench_cendrel >/dev/null
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
# A desktop session has a D-Bus session bus; Qt asks it about screen readers.
dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" python3 scripts/benchmark.py build 2> >(grep -v ^dbus-daemon >&2)

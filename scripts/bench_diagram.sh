#!/usr/bin/env bash
# Prints how long the chromaticity diagram takes to repaint (1 point, 1,000
# and 100,000 batch rows) and to export PNG, SVG and PDF, in a real window
# under Xvfb at scale 1 and 2.
# With --shots DIR it instead saves pictures of the diagram windows to DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- bench_diagram diagram_shots >/dev/null
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
run() {
  # A desktop session has a D-Bus session bus; Qt asks it about screen readers.
  dbus-run-session -- xvfb-run -a -s "-screen 0 2560x1600x24" "$@" 2> >(grep -v '^dbus-daemon\|XDG_RUNTIME_DIR' >&2)
}
if [[ "${1:-}" == --shots ]]; then
  out=$(realpath -m "${2:-screenshots/diagram}")
  run build/tools/bench_diagram/diagram_shots "$out"
  QT_SCALE_FACTOR=2 run build/tools/bench_diagram/diagram_shots "$out/scale2"
  exit
fi
run build/tools/bench_diagram/bench_diagram
QT_SCALE_FACTOR=2 run build/tools/bench_diagram/bench_diagram

#!/usr/bin/env bash
# A picture of every screen of both programs, in real windows under Xvfb
# with a window manager, saved to screenshots/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
bash scripts/setup.sh openbox
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- norvak_screenshots >/dev/null
export LC_ALL=C.UTF-8
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  QT_QPA_PLATFORM=xcb build/tools/norvak_screenshots "$0"
  # The same screens on a high-dpi desktop, at twice the size.
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 build/tools/norvak_screenshots "$0/scale2"
' "$out"

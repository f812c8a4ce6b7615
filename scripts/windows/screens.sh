#!/usr/bin/env bash
# Pictures of every screen of both programs from the Linux build (Xvfb and a
# window manager, as scripts/screenshots.sh) and from the Windows build under
# Wine, into OUT/linux and OUT/windows, each PNG with its NAME.geometry.txt
# (every widget's class, name, place, size and font). Prints for each screen
# "same geometry" or the widgets that differ; status 1 if any differs.
#
# Usage: scripts/windows/screens.sh OUT
# Environment: NORVAK_LINUX_BUILD (default build), NORVAK_WINDOWS_BUILD
# (default build-win); norvak_screenshots is built in each if out of date.
#
# Under Wine the tool runs on Qt's offscreen platform, which draws with
# FreeType from the prefix's C:\windows\Fonts (QT_QPA_FONTDIR, set by
# wine-run.sh). The Windows platform lays the screens out too, but Wine's
# null display driver gives black pictures of them.
set -euo pipefail
[ $# -eq 1 ] || { sed -n '2,10p' "$0" >&2; exit 2; }
win_dir=$(cd "$(dirname "$0")" && pwd)
repo_root=$(cd "$win_dir/../.." && pwd)
out=$(realpath -m "$1")
linux_build=$(realpath "${NORVAK_LINUX_BUILD:-$repo_root/build}")
windows_build=$(realpath "${NORVAK_WINDOWS_BUILD:-$repo_root/build-win}")

cmake --build "$linux_build" --target norvak_screenshots -j2 >/dev/null
cmake --build "$windows_build" --target norvak_screenshots -j2 >/dev/null
rm -rf "$out/linux" "$out/windows"
mkdir -p "$out/linux" "$out/windows"
export LC_ALL=C.UTF-8

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  QT_QPA_PLATFORM=xcb "$0/tools/norvak_screenshots" "$1"
' "$linux_build" "$out/linux" >"$out/linux.log" 2>&1 \
  || { echo "the Linux screenshots failed:" >&2; cat "$out/linux.log" >&2; exit 1; }
"$win_dir/wine-run.sh" --timeout 300 "$windows_build/tools/norvak_screenshots.exe" -platform offscreen \
  "Z:${out//\//\\}\\windows" >"$out/windows.log" 2>&1 \
  || { echo "the Windows screenshots failed:" >&2; cat "$out/windows.log" >&2; exit 1; }
"$win_dir/wine-run.sh" --stop

# The widgets' part of each line: what follows the tab is the text shown.
widgets() { cut -f1 "$1"; }

screens=0 differing=0
for linux in "$out"/linux/*.geometry.txt; do
  name=$(basename "$linux" .geometry.txt)
  windows=$out/windows/$name.geometry.txt
  screens=$((screens + 1))
  if [ ! -f "$windows" ]; then
    echo "$name: no Windows picture"; differing=$((differing + 1)); continue
  fi
  if cmp -s <(widgets "$linux") <(widgets "$windows"); then
    echo "$name: same geometry"
  else
    differing=$((differing + 1))
    echo "$name: differing widgets"
    diff --unchanged-line-format= --old-line-format='  linux:   %L' --new-line-format='  windows: %L' \
      <(widgets "$linux") <(widgets "$windows") || true
  fi
done
echo "$screens screens, $((screens - differing)) with the same geometry, $differing differing"
[ $differing -eq 0 ]

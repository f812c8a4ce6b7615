#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# only when one of them is missing. Run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n qt6-svg-dev
  colord-data
  libgl-dev libxkbcommon-dev
  clang libclang-rt-14-dev
  fonts-arphic-gbsn00lp fonts-arphic-gkai00mp fonts-cwtex-fs fonts-wqy-zenhei
  xvfb xauth x11-utils
  python3-pil python3-pyatspi at-spi2-core dbus
  poppler-utils mawk time
  libpugixml-dev
)
# A caller may ask for more, e.g. the screenshot script for a window manager.
packages+=("$@")

# npm, for the public CSV test suite below; a Node.js from elsewhere may
# bring its own.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The public CSV test suite the batch reader's tests read (npm's
# csv-spectrum), where tests/batch/CMakeLists.txt looks for it.
spectrum=/usr/local/share/norvak-testdata
spectrum_version=2.0.0
need_spectrum=0
[ -f "$spectrum/node_modules/csv-spectrum/package.json" ] || need_spectrum=1

[ ${#missing[@]} -eq 0 ] && [ $need_spectrum -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "setup: missing and I am not root: ${missing[*]} ${need_spectrum/1/csv-spectrum}" >&2
    exit 1
  fi
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ $need_spectrum -eq 1 ]; then
  echo "setup: installing csv-spectrum@$spectrum_version (npm) in $spectrum" >&2
  "${sudo_cmd[@]}" npm install --silent --no-audit --no-fund --prefix "$spectrum" \
    "csv-spectrum@$spectrum_version" >/dev/null
fi

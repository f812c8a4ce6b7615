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
)
# A caller may ask for more, e.g. the screenshot script for a window manager.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo_cmd=(sudo); else
    echo "setup: these Debian packages are missing and I am not root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

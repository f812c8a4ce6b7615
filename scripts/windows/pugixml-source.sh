#!/usr/bin/env bash
# Debian's source of pugixml, the version of the installed libpugixml-dev,
# unpacked once under $NORVAK_CACHE (default /var/cache/norvak) for the
# Windows build, which compiles its pugixml.cpp into the batch library (the
# Linux build links Debian's libpugixml-dev). Prints the source folder last.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages libpugixml-dev dpkg-dev
version=$(dpkg-query -W -f='${Version}' libpugixml-dev)
folder=$cache_root/pugixml-$version
mkdir -p "$cache_root"
exec 8>"$folder.lock"
flock 8
if [ ! -f "$folder/src/pugixml.cpp" ]; then
  rm -rf "$folder"
  unpack_debian_source pugixml "$version" "$folder"
fi
echo "$folder"

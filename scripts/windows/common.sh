# Shared settings of the Windows cross build; sourced by the scripts beside it.
# Everything here may be overridden from the environment.

win_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$win_dir/../.." && pwd)

qt_version=6.4.2
mingw_triple=x86_64-w64-mingw32
cache_root=${NORVAK_CACHE:-/var/cache/norvak}
toolchain_file=$repo_root/cmake/mingw-w64-x86_64.cmake

# Debian's host Qt: moc, rcc, uic and the CMake packages that describe them.
qt_host_path=/usr
qt_host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake

# Where mingw's runtime DLLs live (libstdc++-6, libgcc_s_seh-1, libwinpthread-1).
mingw_runtime_dirs() {
  local gcc_dir
  gcc_dir=$(ls -d /usr/lib/gcc/$mingw_triple/*-posix 2>/dev/null | sort -V | tail -n 1)
  echo "$gcc_dir /usr/$mingw_triple/lib"
}

win_log() { echo "windows: $*" >&2; }

# Installs the named Debian packages that are missing; nothing when all are there.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    win_log "missing packages and not root: ${missing[*]}"; return 1
  fi
  win_log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building for Windows and running the results under Wine needs.
windows_packages=(
  cmake ninja-build xz-utils dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  qt6-base-dev-tools
  wine wine64
  fonts-arphic-gbsn00lp fonts-arphic-gkai00mp fonts-cwtex-fs fonts-wqy-zenhei
  qt6-translations-l10n poppler-utils
)

# apt-get source needs deb-src entries for the suites apt already uses.
# Added once, in a file of their own, derived from the deb entries.
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/norvak-deb-src.sources
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$list"
  elif grep -qs '^deb ' /etc/apt/sources.list; then
    list=/etc/apt/sources.list.d/norvak-deb-src.list
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list > "$list"
  else
    win_log "no Debian entries in apt's sources to derive deb-src entries from"; return 1
  fi
  win_log "added deb-src entries for apt-get source: $list"
  apt-get update -qq
}

# Debian's source of PACKAGE at VERSION, downloaded once into the cache
# ($cache_root/src) and unpacked into FOLDER (which must not exist).
unpack_debian_source() {
  local package=$1 version=$2 folder=$3
  local dl=$cache_root/src/$package-$version
  local dsc=$dl/${package}_${version#*:}.dsc
  if [ ! -f "$dsc" ]; then
    ensure_deb_src
    mkdir -p "$dl"
    # apt downloads as its own user where it may write.
    chown _apt "$dl" 2>/dev/null || true
    win_log "downloading Debian's source of $package $version"
    (cd "$dl" && apt-get source --download-only -qq "$package=$version")
  fi
  dpkg-source --no-check -x "$dsc" "$folder" > "$folder.unpack.log" 2>&1 \
    || { cat "$folder.unpack.log" >&2; return 1; }
  # dpkg-source leaves a copy of the upstream archive beside the folder.
  rm -f "$folder.unpack.log" "$(dirname "$folder")/${package}_"*.orig.tar.*
}

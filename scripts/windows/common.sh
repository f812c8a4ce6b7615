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

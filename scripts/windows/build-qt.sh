#!/usr/bin/env bash
# Cross-builds Qt 6.4.2 (qtbase, then qtsvg) for 64-bit Windows with Debian's
# mingw-w64 and keeps the result in a cache outside any build tree:
#   $NORVAK_CACHE/qt-6.4.2-mingw-KEY   (NORVAK_CACHE defaults to /var/cache/norvak)
# KEY is a hash of everything that shapes the result (Qt's Debian source
# version, the configure line, the patches, the toolchain file, the compiler,
# the Qt SVG archive), so a second run only checks and prints the path.
#
# Usage: scripts/windows/build-qt.sh            builds when needed, prints the prefix last
#        scripts/windows/build-qt.sh --print    prints the prefix it would use, builds nothing
set -euo pipefail
source "$(dirname "$0")/common.sh"

print_only=0
[ "${1:-}" = "--print" ] && print_only=1

jobs=${NORVAK_JOBS:-2}
patch_dir=$win_dir/patches
svg_archive=$repo_root/third_party/qtsvg-everywhere-src-$qt_version.tar.xz
svg_sha256=b7f5c33044bc14926e9d7f3de46591e84ea943bb937592a5258fdfbd7f392cc6

# Shared DLLs, Release, Qt's own copies of its third-party libraries, and
# only the modules the programs use (Core, Gui, Widgets, PrintSupport, Test;
# Svg comes after). The programs paint with QPainter: OpenGL and Vulkan are
# off. OpenGL goes off as configure's -no-opengl does (INPUT_opengl=no), which
# also turns off dynamic GL; FEATURE_opengl=OFF alone leaves dynamicgl on and
# the Windows plugin then fails to compile. Direct2D goes, and DirectWrite
# with it: Qt 6.4 compiles its DirectWrite font engine only with Direct2D, so
# text is drawn by GDI (Qt 6.4's default engine on Windows anyway). Tablet
# input is off because Debian's source drops the tablet library. pkg-config
# and zstd are off so that nothing of the build machine's is picked up.
qtbase_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DINPUT_opengl=no -DFEATURE_vulkan=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF
  -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF -DFEATURE_androiddeployqt=OFF
  -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_libb2=OFF -DFEATURE_system_textmarkdownreader=OFF
  -DFEATURE_system_sqlite=OFF
)
qtsvg_options=(
  -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
)

ensure_packages "${windows_packages[@]}"

# The Debian version of Qt's source: the one the host tools come from, so
# that moc, rcc and uic match the libraries exactly.
debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case $debian_version in
  "$qt_version"+*) ;;
  *) win_log "qt6-base-dev-tools is $debian_version, not Qt $qt_version"; exit 1 ;;
esac

cache_key() {
  {
    echo "qt $qt_version debian $debian_version"
    printf '%s\n' "${qtbase_options[@]}" -- "${qtsvg_options[@]}"
    echo "svg $svg_sha256"
    dpkg-query -W -f='${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    sha256sum "$toolchain_file" | cut -d' ' -f1
    if [ -d "$patch_dir" ]; then
      (cd "$patch_dir" && find . -type f -name '*.patch' | LC_ALL=C sort | xargs -r sha256sum)
    fi
  } | sha256sum | cut -c1-12
}
key=$(cache_key)
prefix=$cache_root/qt-$qt_version-mingw-$key
if [ $print_only -eq 1 ]; then echo "$prefix"; exit 0; fi

# Qt's translations where QLibraryInfo::TranslationsPath points, as on
# Debian, so that programs run from a build tree find qtbase_zh_CN.qm: the
# .qm files of Debian's qt6-translations-l10n serve every platform.
add_translations() {
  mkdir -p "$prefix/translations"
  cp -u /usr/share/qt6/translations/qtbase_*.qm "$prefix/translations/"
}

# One build at a time: a second caller waits, then finds the cache.
mkdir -p "$cache_root"
exec 8>"$prefix.lock"
flock 8

if [ ! -f "$prefix/.complete" ] && [ -f "$prefix.tar.xz" ]; then
  win_log "unpacking the cached archive $prefix.tar.xz"
  rm -rf "$prefix"; mkdir -p "$cache_root"
  tar -C "$cache_root" -xJf "$prefix.tar.xz"
fi
if [ -f "$prefix/.complete" ]; then
  add_translations
  win_log "Qt $qt_version for Windows is cached in $prefix"
  echo "$prefix"; exit 0
fi

fetch_qtbase_source() {
  rm -rf "$work/qtbase"
  unpack_debian_source qt6-base "$debian_version" "$work/qtbase"
}

apply_patches() {
  local module=$1 src=$2 p
  [ -d "$patch_dir/$module" ] || return 0
  for p in "$patch_dir/$module"/*.patch; do
    [ -f "$p" ] || continue
    win_log "patching $module: $(basename "$p")"
    patch -d "$src" -p1 --forward --quiet < "$p"
  done
}

build_module() {
  local name=$1 src=$2; shift 2
  win_log "configuring $name"
  cmake -S "$src" -B "$work/build-$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/norvak/mingw-w64-x86_64.cmake" \
    -DNORVAK_QT_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH="$qt_host_path" -DQT_HOST_PATH_CMAKE_DIR="$qt_host_cmake_dir" \
    "$@" > "$work/configure-$name.log" 2>&1 \
    || { tail -n 40 "$work/configure-$name.log" >&2; return 1; }
  win_log "building $name (-j$jobs)"
  # -k 0: a failed build reports every file that fails, not just the first.
  cmake --build "$work/build-$name" -j"$jobs" -- -k 0 > "$work/build-$name.log" 2>&1 \
    || { grep -m10 -A6 'error:' "$work/build-$name.log" >&2; return 1; }
  cmake --install "$work/build-$name" > /dev/null
}

build_all() {
  fetch_qtbase_source
  apply_patches qtbase "$work/qtbase"
  echo "$svg_sha256  $svg_archive" | sha256sum --quiet -c - \
    || { win_log "$svg_archive does not match its checksum"; return 1; }
  tar -C "$work" -xJf "$svg_archive"
  apply_patches qtsvg "$work/qtsvg-everywhere-src-$qt_version"

  # The toolchain file travels with the prefix: Qt's installed CMake files
  # name the one it was built with.
  rm -rf "$prefix"
  install -D -m644 "$toolchain_file" "$prefix/lib/cmake/norvak/mingw-w64-x86_64.cmake"
  build_module qtbase "$work/qtbase" "${qtbase_options[@]}"
  build_module qtsvg "$work/qtsvg-everywhere-src-$qt_version" "${qtsvg_options[@]}"
  add_translations
  win_log "installed $(du -sh "$prefix" | cut -f1) in $prefix"

  touch "$prefix/.complete"
  tar -C "$cache_root" -cf - "$(basename "$prefix")" | xz -T"$jobs" -6 > "$prefix.tar.xz.tmp"
  mv "$prefix.tar.xz.tmp" "$prefix.tar.xz"
}

work=$cache_root/work-$key
mkdir -p "$work"
win_log "building Qt $qt_version for Windows into $prefix (logs in $work)"
TIMEFORMAT='windows: Qt took %0R s wall, %0U s user + %0S s system CPU'
time build_all
rm -rf "$work"
echo "$prefix"

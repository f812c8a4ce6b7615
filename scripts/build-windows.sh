#!/usr/bin/env bash
# The Windows build in one command: Qt for Windows (built once, then cached),
# the smoke program that proves the chain (cross build, Wine, fonts, PDF,
# SVG, Qt Test, installer), and then the programs themselves: their tests
# under Wine, their installer and a portable zip.
#
# Usage: scripts/build-windows.sh [BUILD_DIR]    (default build-windows)
# Everything it needs it installs (Debian packages, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows/common.sh
build=$(mkdir -p "${1:-build-windows}" && cd "${1:-build-windows}" && pwd)
wine_run=$repo_root/scripts/windows/wine-run.sh
trap '"$wine_run" --stop' EXIT

# 1. Qt 6.4.2 (qtbase + qtsvg) for Windows, cached under /var/cache/norvak.
qt=$(scripts/windows/build-qt.sh | tail -n 1)
export NORVAK_QT_PREFIX=$qt

# Configures and builds one CMake project for Windows.
cross_build() {
  local src=$1 dir=$2; shift 2
  cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DNORVAK_QT_PREFIX="$qt" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine_run" "$@" >/dev/null
  cmake --build "$dir" -j2
}

# 2. The smoke proof, on Qt's offscreen platform.
win_log "smoke: building"
cross_build scripts/windows/smoke "$build/smoke"
out=$build/smoke-out
rm -rf "$out"; mkdir -p "$out"
win_log "smoke: running under Wine"
"$wine_run" --timeout 120 "$build/smoke/smoke.exe" -platform offscreen "Z:${out//\//\\}"
cat "$out/smoke.txt"
file "$out/smoke.png" | grep -q 'PNG image data' || { win_log "smoke: no PNG"; exit 1; }
pdftotext "$out/smoke.pdf" - | grep -q '中文标签' || { win_log "smoke: the PDF lacks its Chinese text"; exit 1; }
win_log "smoke: PNG and PDF written; the PDF's text reads back"
(cd "$build/smoke" && ctest --output-on-failure --timeout 180)

# 3. The installer, proved on the smoke program: silent install under Wine,
# the installed program runs, silent uninstall leaves no folder behind.
stage=$build/smoke-stage
rm -rf "$stage"; mkdir -p "$stage"
cp "$build/smoke/smoke.exe" "$stage/"
scripts/windows/deploy.sh "$stage" "$qt"
scripts/windows/make-installer.sh --stage "$stage" --out "$build/smoke-setup.exe" \
  --name "Norvak Smoke" --dir NorvakSmoke --version 1.0.0 --program "smoke.exe:烟雾测试:ambrix"
scripts/windows/installer-check.sh "$build/smoke-setup.exe" NorvakSmoke smoke.exe -platform windows

# 4. The programs, their libraries, tests and tools, with pugixml compiled in
# from Debian's source; every test suite under Wine.
pugixml=$(scripts/windows/pugixml-source.sh | tail -n 1)
win_log "programs: building"
cross_build . "$build/tree" -DNORVAK_PUGIXML_SOURCE="$pugixml"
win_log "programs: the test suites under Wine"
(cd "$build/tree" && ctest -j2 --output-on-failure --timeout 600)

# 5. The installer of both programs (window programs and their console
# twins, Qt beside them) and a portable zip, proved under Wine: the
# installed ambrix.com rates a file from the Program Files folder.
version=$(sed -n 's/^project(NorvakTools VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$build/stage
rm -rf "$stage"; mkdir -p "$stage"
for program in ambrix cendrel; do
  cp "$build/tree/$program/$program.exe" "$build/tree/$program/$program.com" "$stage/"
done
scripts/windows/deploy.sh "$stage" "$qt"
setup=$build/ambrix-cendrel-$version-setup.exe
scripts/windows/make-installer.sh --stage "$stage" --out "$setup" \
  --name "ambrix 和 cendrel" --dir Norvak --version "$version.0" \
  --program "ambrix.exe:ambrix 色容差计算:ambrix" --program "cendrel.exe:cendrel 色温换算:cendrel"
ensure_packages zip
zip=$build/ambrix-cendrel-$version-windows.zip
rm -f "$zip"
(cd "$stage" && zip -qr "$zip" .)
win_log "portable zip $zip ($(du -h "$zip" | cut -f1))"
check_in=$(mktemp -d /tmp/norvak-check.XXXXXX)
printf 'id,x,y\nA1,0.3805,0.3768\nA2,0.3811,0.3805\n' > "$check_in/灯珠 批次1.csv"
scripts/windows/installer-check.sh "$setup" Norvak ambrix.com --standard GB --cct 4000 \
  --batch "Z:${check_in//\//\\}\\灯珠 批次1.csv" -o "@OUT@\\rated.csv"
rm -rf "$check_in"

win_log "done: Qt in $qt, smoke proof and installer in $build"

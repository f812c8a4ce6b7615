#!/usr/bin/env bash
# The files a Qt Widgets program of this project needs beside its .exe on
# Windows, named by rule (no windeployqt): Qt's DLLs, the plugins it loads at
# run time, the Chinese texts of the standard buttons, and mingw's runtime.
#
# Usage: scripts/windows/deploy.sh DEST [QT_PREFIX]   copies them into DEST
#        scripts/windows/deploy.sh --list [QT_PREFIX]  prints "SOURCE<TAB>PATH IN DEST"
# Sourced, it offers windows_runtime_files and deploy_windows_runtime.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

qt_dlls=(Qt6Core Qt6Gui Qt6Widgets Qt6PrintSupport Qt6Svg)
# Plugin folder -> file patterns. qwindows is the platform; windowsvista the
# native style; qsvg reads SVG images and qsvgicon SVG icons (PNG and BMP are
# built into Qt6Gui).
qt_plugins=(platforms/qwindows.dll styles/qwindowsvista'*'.dll
            imageformats/qsvg.dll iconengines/qsvgicon.dll)
mingw_dlls=(libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
# Debian's qt6-translations-l10n; .qm files are the same on every platform.
qt_translations=(/usr/share/qt6/translations/qtbase_zh_CN.qm)
# The faces the pictures and reports are drawn with (Linux has them
# installed; Windows has neither): loaded from fonts/ at start, with each
# package's copyright file beside them.
font_files=(fonts-wqy-zenhei:/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
            fonts-dejavu-core:/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
            fonts-dejavu-core:/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf)

# Prints one line per file: its source path, a tab, its path below the .exe's folder.
windows_runtime_files() {
  local qt=$1 name pattern f dir found
  for name in "${qt_dlls[@]}"; do
    printf '%s\t%s\n' "$qt/bin/$name.dll" "$name.dll"
  done
  for pattern in "${qt_plugins[@]}"; do
    found=0
    for f in $qt/plugins/$pattern; do
      [ -f "$f" ] || continue
      printf '%s\t%s\n' "$f" "${pattern%%/*}/$(basename "$f")"; found=1
    done
    [ $found -eq 1 ] || { win_log "no plugin $pattern in $qt/plugins"; return 1; }
  done
  for name in "${mingw_dlls[@]}"; do
    found=0
    for dir in $(mingw_runtime_dirs); do
      if [ -f "$dir/$name" ]; then printf '%s\t%s\n' "$dir/$name" "$name"; found=1; break; fi
    done
    [ $found -eq 1 ] || { win_log "no $name in $(mingw_runtime_dirs)"; return 1; }
  done
  for f in "${qt_translations[@]}"; do
    printf '%s\t%s\n' "$f" "translations/$(basename "$f")"
  done
  local entry package
  ensure_packages fonts-wqy-zenhei fonts-dejavu-core >&2
  for entry in "${font_files[@]}"; do
    package=${entry%%:*} f=${entry#*:}
    printf '%s\t%s\n' "$f" "fonts/$(basename "$f")"
    printf '%s\t%s\n' "/usr/share/doc/$package/copyright" "fonts/$package-copyright.txt"
  done | sort -u
}

# Copies the files into dest, stripped, and writes the qt.conf that points Qt there.
deploy_windows_runtime() {
  local qt=$1 dest=$2 src rel list
  list=$(windows_runtime_files "$qt") || return 1
  while IFS=$'\t' read -r src rel; do
    install -D -m644 "$src" "$dest/$rel"
    # Symbols stay in the cache; Debian's libstdc++-6.dll alone shrinks
    # from 24 MB to 2 MB.
    case $rel in *.dll) "$mingw_triple-strip" --strip-unneeded "$dest/$rel" ;; esac
  done <<< "$list"
  # Plugins beside the .exe, translations below it. Without a qt.conf,
  # Qt would look for them next to the parent folder of Qt6Core.dll.
  printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' > "$dest/qt.conf"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  if [ "${1:-}" = "--list" ]; then
    windows_runtime_files "${2:-$("$win_dir/build-qt.sh" --print)}"
  elif [ $# -ge 1 ]; then
    deploy_windows_runtime "${2:-$("$win_dir/build-qt.sh" --print)}" "$1"
  else
    sed -n '2,9p' "$0" >&2; exit 2
  fi
fi

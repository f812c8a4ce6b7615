#!/usr/bin/env bash
# Builds a Windows installer (NSIS, packaging/windows/installer.nsi) from a
# staged folder: the programs with what deploy.sh put beside them.
#
# Usage: scripts/windows/make-installer.sh --stage DIR --out SETUP.exe
#          --name "PRODUCT NAME" --dir FOLDER --version X.Y.Z [--publisher NAME]
#          --program FILE.exe:TITLE:ICON [--program ...]
# ICON names a program icon under assets/icons/hicolor (e.g. ambrix); it is
# made into icons/ICON.ico in the stage. The first program's icon stands for
# the product in Windows' list of programs.
set -euo pipefail
source "$(dirname "$0")/common.sh"

stage= out= name= dir= version= publisher=Norvak programs=()
while [ $# -gt 0 ]; do
  case $1 in
    --stage) stage=$2 ;; --out) out=$2 ;; --name) name=$2 ;; --dir) dir=$2 ;;
    --version) version=$2 ;; --publisher) publisher=$2 ;; --program) programs+=("$2") ;;
    *) sed -n '2,11p' "$0" >&2; exit 2 ;;
  esac
  shift 2
done
if [ -z "$stage" ] || [ -z "$out" ] || [ -z "$name" ] || [ -z "$dir" ] || [ -z "$version" ] \
   || [ ${#programs[@]} -eq 0 ]; then
  sed -n '2,11p' "$0" >&2; exit 2
fi
ensure_packages nsis icoutils

# An .ico with every size Windows asks for, from the project's PNG icons.
make_ico() {
  local icon=$1 dest=$2 size pngs=()
  for size in 16 24 32 48 64 128 256; do
    local png=$repo_root/assets/icons/hicolor/${size}x$size/apps/$icon.png
    [ -f "$png" ] && pngs+=("$png")
  done
  [ ${#pngs[@]} -gt 0 ] || { win_log "no icon $icon under assets/icons/hicolor"; return 1; }
  mkdir -p "$(dirname "$dest")"
  icotool -c -o "$dest" "${pngs[@]}"
}

nsis_path() { local p=$1; echo "${p//\//\\}"; }

entries=$(mktemp --suffix=.nsh)
trap 'rm -f "$entries"' EXIT
{
  echo '!macro NorvakShortcuts'
  first_icon=
  for entry in "${programs[@]}"; do
    IFS=: read -r exe title icon <<< "$entry"
    [ -f "$stage/$exe" ] || { win_log "no $exe in $stage"; exit 1; }
    make_ico "$icon" "$stage/icons/$icon.ico"
    [ -n "$first_icon" ] || first_icon=$icon
    echo "  CreateShortCut \"\$SMPROGRAMS\\\${PRODUCT_NAME}\\$title.lnk\" \"\$INSTDIR\\$(nsis_path "$exe")\" \"\" \"\$INSTDIR\\icons\\$icon.ico\" 0"
  done
  echo '!macroend'
  echo "!define NORVAK_DISPLAY_ICON \"\$INSTDIR\\icons\\$first_icon.ico\""
  echo '!macro NorvakRemoveFiles'
  (cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r f; do
    echo "  Delete \"\$INSTDIR\\$(nsis_path "$f")\""
  done
  (cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r) | while read -r d; do
    echo "  RMDir \"\$INSTDIR\\$(nsis_path "$d")\""
  done
  echo '!macroend'
} > "$entries"

mkdir -p "$(dirname "$out")"
makensis -V2 -INPUTCHARSET UTF8 \
  "-DPRODUCT_NAME=$name" "-DPRODUCT_DIR=$dir" "-DPRODUCT_VERSION=$version" \
  "-DPUBLISHER=$publisher" "-DSTAGE_DIR=$(cd "$stage" && pwd)" \
  "-DENTRIES_NSH=$entries" "-DOUT_FILE=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")" \
  "$repo_root/packaging/windows/installer.nsi"
win_log "installer $out ($(du -h "$out" | cut -f1))"

#!/usr/bin/env bash
# Proves an installer under Wine: silent install to Program Files, the
# Start-menu entries and the uninstaller's registration are there, the
# installed program runs with only what the installer put beside it, and a
# silent uninstall leaves neither folder, entries nor registration behind.
#
# Usage: scripts/windows/installer-check.sh SETUP.exe FOLDER PROGRAM [PROGRAM ARGS...]
#   FOLDER is the folder name under Program Files (make-installer.sh --dir).
#   The program is run from the installed folder with only that folder on
#   its path, given arguments that make it finish and write into an output
#   folder: @OUT@ in an argument stands for that folder; with none, the
#   folder is the last argument (the smoke program). It must write a file.
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ $# -ge 3 ] || { sed -n '2,10p' "$0" >&2; exit 2; }
setup=$1 folder=$2 program=$3; shift 3
run=$win_dir/wine-run.sh
prefix=${NORVAK_WINEPREFIX:-$cache_root/wine-prefix}
installed=$prefix/drive_c/Program\ Files/$folder
menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$folder"
fail() { win_log "installer check: $*"; exit 1; }

registered() { "$run" --bare --timeout 60 reg query "$key" >/dev/null 2>&1; }

win_log "installer check: installing $(basename "$setup") silently"
"$run" --bare --timeout 300 "$setup" /S
"$run" --wait --timeout 120
[ -f "$installed/$program" ] || fail "no $program in $installed"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller in $installed"
links=$(find "$menu" -name '*.lnk' -newer "$setup" | wc -l)
[ "$links" -ge 2 ] || fail "the Start menu has $links entries, not the program's and the uninstaller's"
registered || fail "no uninstaller registered under $key"
win_log "installer check: $(du -sh "$installed" | cut -f1) in Program Files, $links Start-menu entries, registered"

out=$(mktemp -d /tmp/norvak-installed.XXXXXX)
win_out="Z:${out//\//\\}"
args=() placed=
for arg in "$@"; do
  [[ $arg == *@OUT@* ]] && placed=1
  args+=("${arg//@OUT@/$win_out}")
done
[ -n "$placed" ] || args+=("$win_out")
"$run" --bare --timeout 120 "C:\\Program Files\\$folder\\$program" "${args[@]}" \
  || fail "the installed $program failed"
[ -n "$(ls "$out")" ] || fail "the installed $program wrote nothing"
win_log "installer check: the installed $program ran: $(ls "$out" | tr '\n' ' ')"
cat "$out"/*.txt 2>/dev/null || true
rm -rf "$out"

win_log "installer check: uninstalling silently"
"$run" --bare --timeout 120 "C:\\Program Files\\$folder\\uninstall.exe" /S
"$run" --wait --timeout 120
[ ! -e "$installed" ] || fail "$installed is still there: $(ls "$installed")"
if find "$menu" -name '*.lnk' -newer "$setup" | grep -q .; then fail "Start-menu entries left behind"; fi
! registered || fail "$key is still registered"
win_log "installer check: uninstalled; folder, entries and registration gone"

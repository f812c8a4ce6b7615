#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix and returns
# its exit status. Never hangs: the program gets a time limit, and a Wine
# left behind by a timed-out program is stopped.
#
# Usage: scripts/windows/wine-run.sh [options] PROGRAM.exe [ARGS...]
#   --timeout S   seconds the program may take (default $NORVAK_WINE_TIMEOUT or 120)
#   --qtest       the program is a Qt Test: its log is written to a file
#                 (-o FILE,txt; Wine drops a test's redirected stdout) and
#                 printed afterwards; QT_QPA_PLATFORM=offscreen unless set
#                 (also without --qtest for a program that links Qt6Test.dll
#                 and is given no -o, as under ctest)
#   --bare        only the program's own folder: no Qt or mingw folders on
#                 WINEPATH, no font folder (proves a deployed program complete)
#   --wait        waits (up to the timeout) until every program of the prefix
#                 has ended, e.g. an uninstaller that goes on from a copy
#   --stop        stops the prefix's Wine (wineserver -k) and returns
#
# Environment: NORVAK_QT_PREFIX (default: the cached Qt of build-qt.sh),
# NORVAK_WINEPREFIX (default $NORVAK_CACHE/wine-prefix, /var/cache/norvak/wine-prefix).
# Paths handed to the program are Windows paths: /tmp/x is Z:\tmp\x (or Z:/tmp/x).
set -euo pipefail
source "$(dirname "$0")/common.sh"

timeout_s=${NORVAK_WINE_TIMEOUT:-120}
qtest=0 bare=0
while [ $# -gt 0 ]; do
  case $1 in
    --timeout) timeout_s=$2; shift 2 ;;
    --qtest) qtest=1; shift ;;
    --bare) bare=1; shift ;;
    --wait) wait_all=1; shift ;;
    --stop) stop=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

export WINEPREFIX=${NORVAK_WINEPREFIX:-$cache_root/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No crash dialog or debugger, no .NET or browser engine to offer installing.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

stop_wine() { timeout -k 5 20 wineserver -k >/dev/null 2>&1 || true; }
if [ "${stop:-0}" = 1 ]; then stop_wine; exit 0; fi
if [ "${wait_all:-0}" = 1 ]; then
  timeout -k 5 "$timeout_s" wineserver -w && exit 0
  win_log "Wine programs still running after $timeout_s s; stopping Wine"
  stop_wine; exit 124
fi
[ $# -ge 1 ] || { sed -n '2,16p' "$0" >&2; exit 2; }

unix_to_windows() { local p=$1; echo "Z:${p//\//\\}"; }

# The fonts the screens' faces map to and the pictures' faces, where
# Windows keeps fonts.
font_packages=(fonts-arphic-gbsn00lp fonts-arphic-gkai00mp fonts-cwtex-fs fonts-wqy-zenhei fonts-dejavu-core)

make_prefix() {
  ensure_packages wine wine64 "${font_packages[@]}"
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.norvak-ready" ]; then
    local start=$SECONDS f
    win_log "making the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    timeout -k 10 300 wineboot --init >/dev/null 2>&1
    # Qt 6 wants Windows 10 (Wine says 7 by default). No display: Wine's
    # null graphics driver, so runs are headless whatever DISPLAY says.
    timeout -k 5 60 wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null 2>&1
    timeout -k 5 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
    timeout -k 5 60 wineserver -w || stop_wine
    touch "$WINEPREFIX/.norvak-ready"
    win_log "Wine prefix ready in $((SECONDS - start)) s"
  fi
  # Every run, so that a prefix made before a font was added gets it too.
  local f fonts=$WINEPREFIX/drive_c/windows/Fonts
  for f in $(dpkg -L "${font_packages[@]}" | grep -E '\.(ttf|ttc|otf)$'); do
    [ -e "$fonts/$(basename "$f")" ] || ln -sf "$f" "$fonts/$(basename "$f")"
  done
  exec 9>&-
}
make_prefix

program=$1; shift
args=("$@")
if [ $bare -eq 0 ]; then
  qt=${NORVAK_QT_PREFIX:-$("$win_dir/build-qt.sh" --print)}
  runtime_path="$(unix_to_windows "$qt/bin")"
  for d in $(mingw_runtime_dirs); do runtime_path+=";$(unix_to_windows "$d")"; done
  export WINEPATH="$runtime_path${WINEPATH:+;$WINEPATH}"
  # The offscreen platform draws text with FreeType and reads the fonts of
  # this folder; the Windows platform asks Windows (Wine) for them.
  export QT_QPA_FONTDIR=${QT_QPA_FONTDIR:-C:\\windows\\Fonts}
else
  unset WINEPATH
fi
if [ $qtest -eq 0 ] && [ -f "$program" ] && grep -q -a -F Qt6Test.dll "$program"; then
  case " ${args[*]} " in *" -o "*) ;; *) qtest=1 ;; esac
fi
log=
if [ $qtest -eq 1 ]; then
  # Through the environment: a test without a QGuiApplication refuses -platform.
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  log=$(mktemp /tmp/norvak-qtest.XXXXXX)
  args+=(-o "$(unix_to_windows "$log"),txt")
fi
if [ $bare -eq 0 ]; then
  # Wine keeps the build machine's QT_* variables from Windows programs and
  # passes WINEQT_* on as QT_* instead: hand ours (and the caller's) on so.
  for name in $(compgen -e | grep '^QT_' || true); do
    export "WINE$name=${!name}"
  done
fi

status=0
timeout -k 10 "$timeout_s" wine "$program" "${args[@]}" || status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  win_log "$(basename "$program") did not finish within $timeout_s s; stopping Wine"
  stop_wine
fi
if [ -n "$log" ]; then
  cat "$log" 2>/dev/null || true
  rm -f "$log"
fi
exit $status

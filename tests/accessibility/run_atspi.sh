#!/usr/bin/env bash
# Runs the accessibility test in a private D-Bus session and a virtual X
# display: run_atspi.sh AMBRIX CENDREL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$here/test_atspi.py" "$@" 2> >(grep -v -e '^dbus-daemon' -e 'XDG_RUNTIME_DIR' >&2)

#!/usr/bin/env bash
# Builds the Debian package of both programs, checks the desktop files and
# AppStream metadata, installs the package on this machine and starts each
# installed program headless to prove it comes up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh dpkg-dev file desktop-file-utils appstream
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ambrix cendrel >/dev/null
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/ambrix-cendrel_*.deb | head -n1)
echo "package: $deb"
dpkg-deb -f "$deb" Depends | sed 's/^/depends: /'

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
echo "installed: $(dpkg-query -W -f='${Package} ${Version}' ambrix-cendrel)"

status=0
for f in /usr/share/applications/com.example.{ambrix,cendrel}.desktop; do
  desktop-file-validate "$f" && echo "valid: $f" || status=1
done
for f in /usr/share/metainfo/com.example.{ambrix,cendrel}.metainfo.xml; do
  appstreamcli validate --no-net --pedantic "$f" >/dev/null && echo "valid: $f" || { appstreamcli validate --no-net "$f"; status=1; }
done

for program in ambrix cendrel; do
  QT_QPA_PLATFORM=offscreen "/usr/bin/$program" >/tmp/$program.out 2>&1 &
  pid=$!
  sleep 3
  if kill -0 "$pid" 2>/dev/null; then
    echo "started: /usr/bin/$program is up and showing its start screen"
    kill "$pid"; wait "$pid" 2>/dev/null || true
  else
    echo "FAILED: /usr/bin/$program did not stay up:"; cat /tmp/$program.out; status=1
  fi
done
exit $status

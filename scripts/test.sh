#!/usr/bin/env bash
# Builds everything and runs every test headless: first the ordinary build,
# then the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows round: both programs and every suite cross-built with
# mingw-w64, the suites run under Wine, the Windows programs' output compared
# with the Linux build's byte for byte, and the installer proved under Wine.
# NORVAK_SKIP_SANITIZE=1 skips the second round, NORVAK_SKIP_WINDOWS=1 the third
# (the first Windows round builds Qt for Windows, about 25 minutes on two
# idle cores; it is cached under /var/cache/norvak after that).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== build and test (RelWithDebInfo)"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j2

if [ "${NORVAK_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== build and test with AddressSanitizer + UndefinedBehaviorSanitizer"
  bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DNORVAK_SANITIZE=ON
  ctest --test-dir build-asan --output-on-failure -j2
fi

if [ "${NORVAK_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== Windows: cross build, the suites under Wine, the same bytes as Linux, the installer"
  bash scripts/build-windows.sh build-windows
  bash scripts/windows/differential.sh build build-windows/tree
fi

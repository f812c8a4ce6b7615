#!/usr/bin/env bash
# Builds everything and runs every test headless: first the ordinary build,
# then the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
# NORVAK_SKIP_SANITIZE=1 skips the second round.
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

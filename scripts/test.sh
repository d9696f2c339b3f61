#!/usr/bin/env bash
# Builds everything and runs every test: the core, the Linux desktop build (offscreen view, X11
# and /proc backends under Xvfb, end to end), and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
status=0

echo "== Linux build and tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs" || status=1

echo "== Windows build and tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
if [ -f tests/win32/run-wine-tests.sh ]; then
  bash tests/win32/run-wine-tests.sh || status=1
fi

exit "$status"

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
ctest --preset linux -j "$jobs" -LE "wayland-e2e|gnome" || status=1

# ---- Wayland: sway and KWin headless, the program end to end under each -----------------------
echo "== Wayland compositors (sway, KWin) end to end"
wayland_start=$SECONDS
bash scripts/install-deps.sh scripts/deps-wayland.txt
ctest --preset linux -L wayland-e2e || status=1
echo "== Wayland stage took $((SECONDS - wayland_start)) s"
# ---- end of Wayland -----------------------------------------------------------------------------

# ---- GNOME: headless GNOME Shell with TAMBREL's extension, the program end to end -------------
echo "== GNOME Shell on Wayland end to end, with and without the extension"
gnome_start=$SECONDS
bash scripts/install-deps.sh scripts/deps-gnome.txt
ctest --preset linux -L gnome || status=1
echo "== GNOME stage took $((SECONDS - gnome_start)) s"
# ---- end of GNOME -------------------------------------------------------------------------------

# ---- Stress: sanitizer build and bounded fuzzing (docs/fuzzing.md) -----------------------------
echo "== Sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) and its tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs" || status=1

echo "== Fuzzing: each target for a bounded time on its seed corpus"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs" || status=1
# ---- end of stress ------------------------------------------------------------------------------

echo "== Windows build and tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
if [ -f tests/win32/run-wine-tests.sh ]; then
  bash tests/win32/run-wine-tests.sh || status=1
fi

exit "$status"

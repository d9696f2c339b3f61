#!/usr/bin/env bash
# Builds TAMBREL and starts it on your display. Without a display it runs the narrated
# demonstration on a private virtual display instead (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target tambrel
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec ./build/linux/tambrel
fi
echo "No display: running the demonstration on a private virtual display."
exec bash scripts/demo.sh

#!/usr/bin/env bash
# A narrated demonstration on a private virtual display: a demo target application, TAMBREL set
# up to close it, every stage announced as it happens and a screenshot of each stage saved.
# Expects the Linux build (scripts/run.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/linux
out=build/demo
cmake --build --preset linux --target tambrel tambrel-demo-target >/dev/null
rm -rf "$out" && mkdir -p "$out/config/MERIDOX-TAMBREL"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# A free display number; the lock file tells whether a server holds it.
for n in $(seq 40 49); do
  [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
[ -n "${display:-}" ] || { echo "no free display between :40 and :49" >&2; exit 1; }
Xvfb "$display" -noreset -nolisten tcp -screen 0 1024x768x24 >"$out/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >"$out/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done

start=$(date +%s.%N)
say() { printf '[%5.1f s] %s\n' "$(awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { print a - b }')" "$*"; }
shot=0
snap() {
  shot=$((shot + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$out" "$shot" "$1")
  import -display "$display" -window root "$file" 2>/dev/null && say "  screenshot: $file"
}
# Waits up to $1 seconds for the command after it to succeed.
wait_until() {
  local deadline=$(($(date +%s) + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
window_exists() { xdotool search --name "^$1\$" >/dev/null 2>&1; }

cat >"$out/config/MERIDOX-TAMBREL/tambrel.ini" <<'INI'
[General]
WINDOW_NAME_TEXTBOX=TAMBREL Demo Target
PROCESS_NAME_TEXTBOX=tambrel-demo-target
AUTOSTART_COUNTDOWN_TICKBOX=1
WAIT_FOR_PROCESS_TICKBOX=1
ALWAYS_ON_TOP_TICKBOX=1
MainLeft=4000
MainTop=600
INI
export XDG_CONFIG_HOME=$PWD/$out/config

say "Starting the demo target: a window titled \"TAMBREL Demo Target\", process tambrel-demo-target."
"$build/tambrel-demo-target" --title "TAMBREL Demo Target" &
pids+=($!)
wait_until 10 window_exists "TAMBREL Demo Target"
snap target-running

say "Starting TAMBREL, set up to close that window, watch that process and wait for it to end."
"$build/tambrel" >"$out/tambrel.log" 2>&1 &
tambrel=$!
pids+=("$tambrel")
wait_until 10 window_exists "MERIDOX - TAMBREL" || { echo "TAMBREL did not show its window" >&2; exit 1; }
say "TAMBREL is up: the close countdown runs from six seconds; the watcher shows RUNNING."
sleep 2
snap counting-down

wait_until 15 bash -c "! xdotool search --name '^TAMBREL Demo Target\$'" ||
  { echo "the target window did not close" >&2; exit 1; }
say "The countdown reached zero: TAMBREL asked the target window to close, and it closed."
snap close-requested
wait_until 10 bash -c "! pgrep -x tambrel-demo-ta" || true
say "The target process has ended; the watcher shows STOPPED and the exit countdown runs."
sleep 3
snap exit-countdown

if wait_until 20 bash -c "! kill -0 $tambrel"; then
  wait "$tambrel" && status=0 || status=$?
  say "TAMBREL saved its settings and ended itself (exit status $status)."
else
  echo "TAMBREL did not end by itself" >&2
  exit 1
fi
snap ended
say "Settings kept for this copy ($out/config/MERIDOX-TAMBREL/tambrel.ini):"
sed 's/^/    /' "$out/config/MERIDOX-TAMBREL/tambrel.ini"
say "Screenshots are in $out/."

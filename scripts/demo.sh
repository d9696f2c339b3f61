#!/usr/bin/env bash
# A narrated demonstration on a private virtual display: a demo target application, TAMBREL set
# up to close it, every stage announced as it happens and a screenshot of each stage saved once
# the screen shows it. Fails, saying why, when a stage is not reached in time or a screenshot
# comes out blank.
#
# Runs the Linux build's programs (built first), or TAMBREL_BIN and TAMBREL_TARGET_BIN when set.
# Screenshots and logs go to TAMBREL_DEMO_OUT (default build/demo), emptied first.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
out=${TAMBREL_DEMO_OUT:-build/demo}

if [ -z "${TAMBREL_DEMO_ON_DISPLAY:-}" ]; then
  [ -n "${TAMBREL_BIN:-}" ] ||
    cmake --build --preset linux --target tambrel tambrel-demo-target >/dev/null
  # Xvfb with openbox, started and ended as for the tests: the display lives until this script,
  # run again inside it, has ended.
  TAMBREL_DEMO_ON_DISPLAY=1 exec python3 tests/harness.py bash "$self"
fi
tambrel_bin=${TAMBREL_BIN:-build/linux/tambrel}
target_bin=${TAMBREL_TARGET_BIN:-build/linux/tambrel-demo-target}
rm -rf "$out" && mkdir -p "$out/config/MERIDOX-TAMBREL"
home=$(realpath "$out")
export XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state
activity_log=$XDG_STATE_HOME/MERIDOX-TAMBREL/tambrel.log

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start=$(date +%s.%N)
say() { printf '[%5.1f s] %s\n' "$(awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { print a - b }')" "$*"; }
fail() {
  say "DEMO FAILED: $*" >&2
  exit 1
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
ended() { ! kill -0 "$1" 2>/dev/null; }
logged() { grep -qF -- "$1" "$activity_log" 2>/dev/null; }
# The visible window titled exactly $1; nothing when there is none.
window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true; }
# The titles seen on the screen so far: a window among them that cannot be found has gone.
declare -A seen_titles=()
no_window() { [ -z "$(window_of "$1")" ]; }
# Where window $1 is on the screen, as WIDTHxHEIGHT+X+Y; nothing unless it is viewable. (Without
# an id xwininfo would wait for a click.)
region_of() {
  [ -n "$1" ] || return 0
  xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } /Map State:/ { state = $3 }
    END { if (state == "IsViewable") printf "%dx%d+%d+%d\n", w, h, x, y }'
}
# How much the colours of image $1 (the part $2 only, when given) vary: 0 when it is one colour.
spread() { convert "$1" ${2:+-crop "$2" +repage} -format '%[fx:standard_deviation]' info:; }
# True when region $2 of screenshot $1 shows something drawn: not one colour, and not the empty
# desktop (a window whose content is not painted yet shows what was under it).
drawn() {
  awk -v s="$(spread "$1" "$2")" 'BEGIN { exit !(s > 0) }' &&
    awk -v d="$(convert "$1" "$desktop" -crop "$2" +repage -compose difference -composite \
      -format '%[fx:mean]' info:)" 'BEGIN { exit !(d > 0) }'
}
grab() { import -silent -window root "$1" 2>/dev/null; }

# Saves a screenshot named $1 once each window titled in $2... is viewable and drawn in it, and
# checks it is not blank. Most stages last a few seconds only: when one of the windows has gone
# before the screen showed it drawn (a busy machine), the stage is over and its screenshot is
# left out, saying so. What the stage did was checked before it was announced.
shot=0
snap() {
  local name=$1 file i deadline=$(($(date +%s) + 15)) missing
  local -a titles wins regions
  shift
  titles=("$@")
  shot=$((shot + 1))
  file=$(printf '%s/%02d-%s.png' "$out" "$shot" "$name")
  while :; do
    missing=
    wins=() regions=()
    for i in "${!titles[@]}"; do
      wins[i]=$(window_of "${titles[i]}")
      if [ -n "${wins[i]}" ]; then
        seen_titles[${titles[i]}]=1
      elif [ -n "${seen_titles[${titles[i]}]:-}" ]; then
        rm -f "$file"
        say "  no screenshot \"$name\": the window \"${titles[i]}\" had gone before the screen showed it"
        return 0
      fi
      regions[i]=$(region_of "${wins[i]}")
    done
    if ! grab "$file"; then
      missing="a screenshot"
    else
      for i in "${!titles[@]}"; do
        # The window must be in one place around the screenshot for its region to be the window's.
        if [ -z "${regions[i]}" ] || [ "${regions[i]}" != "$(region_of "${wins[i]}")" ] ||
          ! drawn "$file" "${regions[i]}"; then
          missing="the window \"${titles[i]}\" drawn on the screen"
          break
        fi
      done
    fi
    [ -n "$missing" ] || break
    [ "$(date +%s)" -lt "$deadline" ] || fail "no screenshot \"$name\": no sign of $missing"
    sleep 0.1
  done
  awk -v s="$(spread "$file")" 'BEGIN { exit !(s > 0) }' ||
    fail "the screenshot $file is all one colour: nothing was drawn"
  say "  screenshot: $file"
}
# Waits for window $1 to change on the screen: its next repaint, e.g. a countdown's next second.
# A window that has gone has changed too (its stage is over: see snap).
window_pixels() {
  local window
  window=$(window_of "$1")
  [ -z "$window" ] || import -silent -window "$window" ppm:- 2>/dev/null | md5sum || true
}
changed() { [ "$(window_pixels "$1")" != "$2" ]; }
wait_for_repaint() {
  local seen
  seen=$(window_pixels "$1")
  if [ -n "$seen" ]; then
    seen_titles[$1]=1
  elif [ -n "${seen_titles[$1]:-}" ]; then
    return 0
  fi
  wait_until 5 changed "$1" "$seen" || fail "the window \"$1\" did not change in 5 s"
}

# A desktop background that is not one colour, so that an empty desktop still shows in a
# screenshot; the same desktop with no window on it tells windows that are drawn from windows
# that are not. (display returns 1 even when it has set the background; a desktop left black
# fails the last screenshot's check.)
size=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
display -window root -size "$size" gradient:'#5b86b8-#1f3550' 2>/dev/null || true
desktop=$out/empty-desktop.png
grab "$desktop" || fail "no screenshot of the empty desktop"

# The target runs as a copy named for this run, so that TAMBREL, which watches processes by their
# executable's name, takes no other copy running on the machine (a test's, say) for it.
target_name=tambrel-demo-target-$$
cp "$target_bin" "$out/$target_name"

# Side by side: the target at the top left, TAMBREL to its right (its place in twips, 15 a pixel).
cat >"$out/config/MERIDOX-TAMBREL/tambrel.ini" <<INI
[General]
WINDOW_NAME_TEXTBOX=TAMBREL Demo Target
PROCESS_NAME_TEXTBOX=$target_name
AUTOSTART_COUNTDOWN_TICKBOX=1
WAIT_FOR_PROCESS_TICKBOX=1
ALWAYS_ON_TOP_TICKBOX=1
MainLeft=7200
MainTop=600
INI

say "Starting the demo target: a window titled \"TAMBREL Demo Target\", process $target_name."
"$out/$target_name" --title "TAMBREL Demo Target" --position 40,40 &
target=$!
pids+=("$target")
snap target-running "TAMBREL Demo Target"

say "Starting TAMBREL, set up to close that window, watch that process and wait for it to end."
"$tambrel_bin" >"$out/tambrel.out" 2>&1 &
tambrel=$!
pids+=("$tambrel")
wait_until 15 logged "process state: RUNNING" || fail "TAMBREL did not find the target process"
wait_for_repaint "MERIDOX - TAMBREL"
say "TAMBREL is up: the close countdown runs from six seconds; the watcher shows RUNNING."
snap counting-down "TAMBREL Demo Target" "MERIDOX - TAMBREL"

wait_until 15 no_window "TAMBREL Demo Target" || fail "the target window did not close"
say "The countdown reached zero: TAMBREL asked the target window to close, and it closed."
snap close-requested "MERIDOX - TAMBREL"

wait_until 10 ended "$target" || fail "the target process did not end"
wait_until 10 logged "process state: STOPPED" || fail "TAMBREL did not see the target process end"
wait_for_repaint "MERIDOX - TAMBREL"
say "The target process has ended; the watcher shows STOPPED and the exit countdown runs."
snap exit-countdown "MERIDOX - TAMBREL"

wait_until 20 ended "$tambrel" || fail "TAMBREL did not end by itself"
wait "$tambrel" && status=0 || status=$?
[ "$status" -eq 0 ] || fail "TAMBREL ended with exit status $status"
wait_until 10 no_window "MERIDOX - TAMBREL" || fail "TAMBREL's window stayed on the screen"
say "TAMBREL saved its settings and ended itself (exit status $status): the desktop is empty again."
snap ended

say "Settings kept for this copy ($out/config/MERIDOX-TAMBREL/tambrel.ini):"
sed 's/^/    /' "$out/config/MERIDOX-TAMBREL/tambrel.ini"
say "Screenshots are in $out/."

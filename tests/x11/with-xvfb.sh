#!/bin/sh
# Runs a command on a private X server: Xvfb on the first free display from :90 to :99, with the
# openbox window manager unless --no-wm is given. Prints nothing of its own unless starting
# fails; the servers' output goes to a log that is shown only then. Returns the command's status.
#
#   with-xvfb.sh [--no-wm] COMMAND [ARG...]
#
# Environment: WITH_XVFB_FIRST / WITH_XVFB_LAST bound the display numbers (default 90 and 99).
set -u

wm=openbox
if [ "${1:-}" = "--no-wm" ]; then
  wm=
  shift
fi
if [ $# -eq 0 ]; then
  echo "usage: with-xvfb.sh [--no-wm] COMMAND [ARG...]" >&2
  exit 2
fi

first=${WITH_XVFB_FIRST:-90}
last=${WITH_XVFB_LAST:-99}
log=$(mktemp "${TMPDIR:-/tmp}/with-xvfb.XXXXXX") || exit 1
xvfb_pid=
wm_pid=
cmd_pid=

cleanup() {
  for pid in $cmd_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null
  done
  for pid in $cmd_pid $wm_pid $xvfb_pid; do
    wait "$pid" 2>/dev/null
  done
  rm -f "$log"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "with-xvfb.sh: $*" >&2
  sed 's/^/  | /' "$log" >&2
  exit 1
}

# Tries "$@" up to $1 times, 50 ms apart, giving up early when process $2 has died. Returns 0 as
# soon as "$@" succeeds.
wait_for() {
  tries=$1
  pid=$2
  shift 2
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
    tries=$((tries - 1))
  done
  return 1
}

lock_is_live() {
  lock=/tmp/.X$1-lock
  [ -e "$lock" ] || return 1
  owner=$(tr -d ' \n' <"$lock" 2>/dev/null)
  [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null
}

# True when our server $2 is alive and holds the lock of display $1.
owns_display() {
  kill -0 "$2" 2>/dev/null || return 1
  [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ]
}

n=$first
display=
while [ "$n" -le "$last" ]; do
  if lock_is_live "$n"; then
    n=$((n + 1))
    continue
  fi
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x1024x24 >>"$log" 2>&1 &
  xvfb_pid=$!
  # Another server may win the race for the same number: this one then exits and we move on.
  # xdpyinfo alone could be answered by that other server, so the lock must name ours too.
  if wait_for 200 "$xvfb_pid" xdpyinfo -display ":$n" && owns_display "$n" "$xvfb_pid"; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  n=$((n + 1))
done
[ -n "$display" ] || fail "no free display between :$first and :$last"

export DISPLAY="$display"
if [ -n "$wm" ]; then
  openbox --sm-disable >>"$log" 2>&1 &
  wm_pid=$!
  # The window manager is ready once it has announced itself on the root window.
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
  wait_for 200 "$wm_pid" wm_ready || fail "openbox did not start on $display"
fi

# In the background, so that a TERM (e.g. a test timeout) reaches the trap at once instead of
# after the command; the trap then ends the command and both servers.
"$@" &
cmd_pid=$!
wait "$cmd_pid"
status=$?
cmd_pid=
exit "$status"

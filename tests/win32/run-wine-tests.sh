#!/usr/bin/env bash
# Runs the Windows backend tests under Wine on a private X server with a window manager.
#
#   tests/win32/run-wine-tests.sh [BUILD_DIR]      (default: build/windows)
#
# Sets up a fresh Wine prefix in BUILD_DIR/wineprefix, starts Xvfb on a free display :80-:89
# and openbox, runs every test of tambrel_win32_tests.exe as its own Wine process under
# `timeout`, checks the import table of the built executables, and prints "N passed, N failed".
# Exits non-zero when anything failed. Stops exactly what it started.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$repo/build/windows}" 2>/dev/null && pwd) || {
  echo "run-wine-tests: no build directory ${1:-$repo/build/windows}" >&2
  exit 2
}
test_exe=$(find "$build" -name tambrel_win32_tests.exe -type f -print -quit)
if [[ -z "$test_exe" ]]; then
  echo "run-wine-tests: tambrel_win32_tests.exe not found under $build (build it first)" >&2
  exit 2
fi

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
# A crash then ends the process with an error instead of opening a debugger dialog.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
unset WINESERVER

log="$build/wine-tests.log"
: >"$log"
xvfb_pid=""
openbox_pid=""
wineserver_started=""

cleanup() {
  if [[ -n "$wineserver_started" ]]; then timeout 20 wineserver -k >/dev/null 2>&1; fi
  if [[ -n "$openbox_pid" ]]; then kill "$openbox_pid" 2>/dev/null; wait "$openbox_pid" 2>/dev/null; fi
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls `$@` every 0.1 s until it succeeds or $deadline seconds have passed.
wait_for() {
  local deadline=$1
  shift
  local end=$((SECONDS + deadline))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS >= end)) && return 1
    sleep 0.1
  done
}

# --- X server and window manager --------------------------------------------------------------
display=""
for n in 80 81 82 83 84 85 86 87 88 89; do
  [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x1024x24 >>"$log" 2>&1 &
  xvfb_pid=$!
  if wait_for 10 xdpyinfo -display ":$n"; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
if [[ -z "$display" ]]; then
  echo "run-wine-tests: no free display in :80-:89" >&2
  exit 2
fi
export DISPLAY=$display
openbox --sm-disable >>"$log" 2>&1 &
openbox_pid=$!
if ! wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
  echo "run-wine-tests: openbox did not start" >&2
  exit 2
fi

# --- Wine prefix ------------------------------------------------------------------------------
rm -rf "$WINEPREFIX"
if ! timeout 120 wineboot -i >>"$log" 2>&1; then
  echo "run-wine-tests: wineboot -i failed (see $log)" >&2
  exit 2
fi
wineserver_started=1
timeout 20 wineserver -p >>"$log" 2>&1
# Real bitmap fonts for the classic dialog font.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>>"$log"

passed=0
failed=0
failures=()
record() {  # name, status
  if [[ $2 -eq 0 ]]; then
    passed=$((passed + 1))
    echo "PASS $1"
  else
    failed=$((failed + 1))
    failures+=("$1")
    echo "FAIL $1 (status $2)"
  fi
}

# --- Import table -----------------------------------------------------------------------------
while IFS= read -r exe; do
  bash "$here/check-imports.sh" "$exe" >>"$log" 2>&1
  record "imports: ${exe#"$build"/}" $?
done < <(find "$build" -path "$WINEPREFIX" -prune -o -path "$build/googletest-win32" -prune \
  -o -name '*.exe' -type f -print | grep -v '/CMakeFiles/')

# --- Backend tests, one Wine process each -----------------------------------------------------
mapfile -t tests < <(timeout 60 wine "$test_exe" --gtest_list_tests 2>>"$log" | tr -d '\r' | awk '
  /^[^ ]/ { suite = $1; next }
  /^  [^ ]/ { print suite $1 }')
if [[ ${#tests[@]} -eq 0 ]]; then
  echo "run-wine-tests: the test program listed no tests (see $log)" >&2
  exit 1
fi
for t in "${tests[@]}"; do
  echo "=== $t" >>"$log"
  timeout 90 wine "$test_exe" --gtest_filter="$t" >>"$log" 2>&1
  record "$t" $?
done

# --- Win32 view tests and end-to-end runs of tambrel.exe ---------------------------------------
# The view tests one Wine process each, like the backend tests; their screenshot goes to
# BUILD_DIR/artifacts as PNG. Then every end-to-end case of tests/win32/e2e/run-e2e.sh.
artifacts="$build/artifacts"
mkdir -p "$artifacts"
view_exe=$(find "$build" -name tambrel_win32_view_tests.exe -type f -print -quit)
if [[ -n "$view_exe" ]]; then
  TAMBREL_ARTIFACTS=$(timeout 20 winepath -w "$artifacts" 2>>"$log")
  export TAMBREL_ARTIFACTS
  mapfile -t view_tests < <(timeout 60 wine "$view_exe" --gtest_list_tests 2>>"$log" |
    tr -d '\r' | awk '/^[^ ]/ { suite = $1; next } /^  [^ ]/ { print suite $1 }')
  for t in "${view_tests[@]}"; do
    echo "=== view $t" >>"$log"
    timeout 90 wine "$view_exe" --gtest_filter="$t" >>"$log" 2>&1
    record "view: $t" $?
  done
  for bmp in "$artifacts"/*.bmp; do
    [[ -e "$bmp" ]] && convert "$bmp" "${bmp%.bmp}.png" 2>>"$log" && rm -f "$bmp"
  done
else
  record "view: tambrel_win32_view_tests.exe built" 1
fi
for c in $(bash "$here/e2e/run-e2e.sh" --list); do
  echo "=== end to end: $c" >>"$log"
  timeout 150 bash "$here/e2e/run-e2e.sh" "$build" "$c" >>"$log" 2>&1
  record "end to end: $c" $?
done
# --- end of Win32 view tests and end-to-end runs --------------------------------------------------

echo "$passed passed, $failed failed"
if ((failed > 0)); then
  printf 'failed: %s\n' "${failures[@]}"
  echo "details: $log"
  exit 1
fi
exit 0

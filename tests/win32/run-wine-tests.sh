#!/usr/bin/env bash
# Runs the Windows backend tests under Wine on a private X server with a window manager.
#
#   tests/win32/run-wine-tests.sh [BUILD_DIR]      (default: build/windows)
#
# Sets up a fresh Wine prefix in BUILD_DIR/wineprefix, starts Xvfb on a free display :80-:89
# and openbox, checks the import table of the built executables, runs every test of the
# GoogleTest programs (backends, view) as its own Wine process under `timeout`, then the
# end-to-end cases of tambrel.exe (e2e/run-e2e.sh), and prints "N passed, N failed".
# Exits non-zero when anything failed. Stops exactly what it started.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$repo/build/windows}" 2>/dev/null && pwd) || {
  echo "run-wine-tests: no build directory ${1:-$repo/build/windows}" >&2
  exit 2
}
test_exe="$build/tests/win32/tambrel_win32_tests.exe"
if [[ ! -f "$test_exe" ]]; then
  echo "run-wine-tests: tambrel_win32_tests.exe not found under $build (build it first)" >&2
  exit 2
fi

# One run per build directory at a time: a second run would wipe the first one's prefix.
exec 9>"$build/.wine-tests.lock"
if ! flock -w 900 9; then
  echo "run-wine-tests: another run holds $build/.wine-tests.lock" >&2
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

# --- GoogleTest programs, one Wine process per test --------------------------------------------
# Screenshots and other artifacts of the view tests.
mkdir -p "$build/artifacts"
TAMBREL_ARTIFACTS=$(winepath -w "$build/artifacts" 2>>"$log")
export TAMBREL_ARTIFACTS
list="$build/wine-tests.list"
for exe in "$test_exe" "$build/tests/win32/view/tambrel_win32_view_tests.exe"; do
  [[ -f "$exe" ]] || continue
  # To a file, not a pipe: a Wine process can leave helpers holding a pipe open.
  timeout 60 wine "$exe" --gtest_list_tests >"$list" 2>>"$log"
  mapfile -t tests < <(tr -d '\r' <"$list" | awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { print suite $1 }')
  if [[ ${#tests[@]} -eq 0 ]]; then
    record "list tests of $(basename "$exe")" 1
    continue
  fi
  for t in "${tests[@]}"; do
    echo "=== $t" >>"$log"
    timeout 90 wine "$exe" --gtest_filter="$t" >>"$log" 2>&1
    record "$t" $?
  done
done

# The view tests save screenshots as BMP (all GDI offers without more DLLs); keep PNGs.
for bmp in "$build/artifacts"/*.bmp; do
  [[ -e "$bmp" ]] && convert "$bmp" "${bmp%.bmp}.png" 2>>"$log" && rm -f "$bmp"
done

# --- End-to-end runs of tambrel.exe, one case at a time ---------------------------------------
e2e="$here/e2e/run-e2e.sh"
if [[ -f "$e2e" && -f "$build/tambrel.exe" ]]; then
  mapfile -t cases < <(bash "$e2e" --list 2>>"$log")
  for c in "${cases[@]}"; do
    echo "=== e2e $c" >>"$log"
    timeout 240 bash "$e2e" "$build" "$c" >>"$log" 2>&1
    record "e2e: $c" $?
  done
fi

echo "$passed passed, $failed failed"
if ((failed > 0)); then
  printf 'failed: %s\n' "${failures[@]}"
  echo "details: $log"
  exit 1
fi
exit 0

#!/usr/bin/env bash
# Runs the Windows backend tests under Wine on a private X server with a window manager.
#
#   tests/win32/run-wine-tests.sh [--wine10] [BUILD_DIR]      (default: build/windows)
#
# Runs itself on a private X server with openbox (tests/harness.py), sets up a fresh Wine prefix
# in BUILD_DIR/wineprefix, checks the import table of the built executables, then runs every test
# of the GoogleTest programs (backends, view), each as its own Wine process under `timeout`, and
# the end-to-end cases of tambrel.exe (e2e/run-e2e.sh). Those run in lanes side by side, each lane
# on a display of its own with its own copy of the prefix (see "Lanes" below); the end-to-end
# cases mostly wait on real countdowns. Prints "N passed, N failed" and how long each part took.
# A failure is shown with what the test said; after one, every Windows process of the lane's
# prefix is ended so that nothing it left behind disturbs the next test.
# Exits non-zero when anything failed. Stops exactly what it started.
#
# With --wine10 it runs the same tests under Wine 10, inside the Debian 13 root of
# scripts/debian13-root.sh; the programs stay those built out here, and the prefix, the log and
# the artefacts go to BUILD_DIR/wine10 instead of BUILD_DIR, so each Wine's are kept. Runs of one
# build directory take turns, whichever the Wine (see the lock below).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
if [[ ${1:-} == --wine10 ]]; then
  shift
  exec bash "$repo/scripts/debian13-root.sh" run bash "${BASH_SOURCE[0]}" "$@"
fi
if [[ -z ${TAMBREL_ON_PRIVATE_DISPLAY:-} ]]; then
  TAMBREL_ON_PRIVATE_DISPLAY=1 exec python3 "$repo/tests/harness.py" \
    bash "${BASH_SOURCE[0]}" "$@"
fi
build=$(cd "${1:-$repo/build/windows}" 2>/dev/null && pwd) || {
  echo "run-wine-tests: no build directory ${1:-$repo/build/windows}" >&2
  exit 2
}
# What this run writes: the Wine 10 run in the Debian 13 root apart from the Wine 8 run.
work=$build${TAMBREL_DEBIAN13:+/wine10}
mkdir -p "$work"
# Set in a lane (started below): its name; the tests it may take follow BUILD_DIR.
lane=${TAMBREL_WINE_LANE:-}
test_exe="$build/tests/win32/tambrel_win32_tests.exe"
if [[ ! -f "$test_exe" ]]; then
  echo "run-wine-tests: tambrel_win32_tests.exe not found under $build (build it first)" >&2
  exit 2
fi

# One run per build directory at a time, under either Wine: a second run would wipe the first
# one's prefix (a lane runs under its run's lock), and the lanes of a Wine 8 and a Wine 10 run side
# by side are more real-time tests than two cores serve (windows not up within their deadlines),
# so the one waits for the other. Nothing started below keeps the lock's descriptor (9>&-): a
# server or program left over from a killed run must not hold the lock against the next run.
if [[ -z $lane ]]; then
  exec 9>"$build/.wine-tests.lock"
  if ! flock -n 9; then
    echo "run-wine-tests: waiting for the run that holds $build/.wine-tests.lock" >&2
    if ! flock -w 3600 9; then
      echo "run-wine-tests: another run holds $build/.wine-tests.lock" >&2
      exit 2
    fi
  fi
fi

export WINEPREFIX="$work/wineprefix${lane:+-$lane}"
export WINEDEBUG=-all
# A crash then ends the process with an error instead of opening a debugger dialog.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
unset WINESERVER

log="$work/wine-tests${lane:+-$lane}.log"
: >"$log"
wineserver_started=""
lane_pids=()
lane_prefixes=()

# "-- PART: N s" for the part that ends now (on the output and in the log).
part_began=$SECONDS
part_done() {
  echo "-- $1: $((SECONDS - part_began)) s" | tee -a "$log"
  part_began=$SECONDS
}

# Process ids of the Wine processes (Windows programs, wineserver) of this run's prefix: the
# prefix is private to the run (see the lock above), so each of them was started by it.
prefix_pids() {
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [[ $(readlink "$dir/exe" 2>/dev/null) == */wine* ]] || continue
    # Quiet first: a process that ends meanwhile fails the redirection itself.
    tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}

# Ends the wineserver of the prefix and with it every Windows process; whatever still runs in the
# prefix afterwards is named and killed by its id.
stop_wine() {
  timeout 20 wineserver -k >>"$log" 2>&1 9>&-
  timeout 20 wineserver -w >>"$log" 2>&1 9>&-
  local pid
  for pid in $(prefix_pids); do
    echo "run-wine-tests: still running after wineserver -k: $pid $(tr '\0' ' ' \
      </proc/"$pid"/cmdline 2>/dev/null)" | tee -a "$log" >&2
    kill -9 "$pid" 2>/dev/null
  done
}

cleanup() {
  local pid prefix
  # Lanes still running when the run is cut short: end them (their display starter ends its
  # command and servers), then whatever Wine left in their prefixes.
  for pid in "${lane_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${lane_pids[@]}"; do wait "$pid" 2>/dev/null; done
  for prefix in "${lane_prefixes[@]}"; do
    [[ -d "$prefix" ]] && WINEPREFIX=$prefix stop_wine
  done
  if [[ -n "$wineserver_started" ]]; then stop_wine; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Wine calls run under this: TERM after $1 seconds, KILL ten seconds later if that was ignored.
bounded() {
  local seconds=$1
  shift
  timeout -k 10 "$seconds" "$@" 9>&-
}

passed=0
failed=0
failures=()
count() {  # name, status
  if [[ $2 -eq 0 ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$1")
  fi
}
record() {  # name, status
  count "$1" "$2"
  if [[ $2 -eq 0 ]]; then
    echo "PASS $1"
  else
    case $2 in
      124 | 137) echo "FAIL $1 (timed out)" ;;
      *) echo "FAIL $1 (status $2)" ;;
    esac
  fi
}

# What a failed test said, indented: GoogleTest's failure reports, or the end-to-end checks that
# failed, the steps not reached and the notes on them; else the last lines of its output.
excerpt() {  # output file
  local shown
  shown=$(tr -d '\r' <"$1" | awk '
    /: Failure$/ { show = 1 }
    /^\[  FAILED  \]|^\[       OK \]/ { show = 0 }
    /^  (FAILED|NOT REACHED): |^  +\(/ { print; next }
    show { print }' | head -n 40)
  [[ -n "$shown" ]] || shown=$(tr -d '\r' <"$1" | tail -n 15)
  sed 's/^/    /' <<<"$shown"
}

# Runs one test command with its output kept apart, records it, and after a failure shows what it
# said and ends every Windows process it may have left behind (a child of a test that crashed or
# timed out would disturb the next test).
out="$work/wine-test${lane:+-$lane}.out"
run_one() {  # name, command...
  local name=$1
  shift
  echo "=== $name" >>"$log"
  "$@" >"$out" 2>&1 9>&-
  local status=$?
  cat "$out" >>"$log"
  record "$name" "$status"
  if ((status != 0)); then
    excerpt "$out"
    stop_wine
    timeout 20 wineserver -p >>"$log" 2>&1 9>&-
  fi
}

e2e="$here/e2e/run-e2e.sh"
view_exe="$build/tests/win32/view/tambrel_win32_view_tests.exe"
claims="$work/wine-tests-claims"

# The prefix's LogPixels, taken by the programs of its next Wine session: Wine 10 keeps the DPI
# its session started with (Wine 8 read it at each program's start), so the session is ended and
# a new one kept running for the tests that follow.
set_dpi() {
  bounded 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >>"$log" 2>&1
  stop_wine
  timeout 20 wineserver -p >>"$log" 2>&1 9>&-
}

# One test of the queue: "e2e: CASE" (an end-to-end case of tambrel.exe), "DpiScreens at N DPI"
# (the DpiScreens tests at N DPI; 96 runs with the view tests, and the test checks the DPI took), or
# "backends TEST" / "view TEST" (a test of that GoogleTest program).
run_item() {
  local dpi
  case $1 in
    "e2e: "*) run_one "$1" timeout -k 10 240 bash "$e2e" "$build" "${1#e2e: }" ;;
    "DpiScreens at "*)
      dpi=${1#DpiScreens at }
      dpi=${dpi% DPI}
      set_dpi "$dpi"
      TAMBREL_EXPECT_DPI=$dpi run_one "$1" \
        bounded 90 wine "$view_exe" --gtest_filter='DpiScreens.*'
      set_dpi 96
      ;;
    "view "*) run_one "${1#view }" bounded 90 wine "$view_exe" --gtest_filter="${1#view }" ;;
    *) run_one "${1#backends }" bounded 90 wine "$test_exe" --gtest_filter="${1#backends }" ;;
  esac
}
item_name() {
  case $1 in
    "view "* | "backends "*) echo "${1#* }" ;;
    *) echo "$1" ;;
  esac
}

# Every lane is given the whole queue and runs the tests it claims first (mkdir makes exactly one
# claim win), so the lanes end close together however long each test takes.
declare -A mine=()
run_items() {
  local item
  for item in "$@"; do
    mkdir "$claims/$item" 2>/dev/null || continue
    mine[$item]=1
    run_item "$item"
  done
}

# --- A lane (see below) -----------------------------------------------------------------------
if [[ -n $lane ]]; then
  shift
  wineserver_started=1
  timeout 20 wineserver -p >>"$log" 2>&1 9>&-
  run_items "$@"
  # Then the whole queue, once the run has listed the GoogleTest tests.
  for ((wait = 0; wait < 3000; wait++)); do
    [[ -f "$claims/.queue" ]] && break
    sleep 0.1
  done
  mapfile -t queue <"$claims/.queue"
  run_items "${queue[@]}"
  part_done "lane ${lane#lane} ran ${#mine[@]} tests"
  exit $((failed > 0))
fi

# --- Wine prefix ------------------------------------------------------------------------------
# A run that was killed leaves its wineserver and programs running; a new prefix made in the same
# place could even get the old directory's inode, which names the old server's socket, and so
# start among the old programs. End them first, in the lanes' prefixes too.
for prefix in "$WINEPREFIX" "$work"/wineprefix-*; do
  [[ -d "$prefix" ]] && WINEPREFIX=$prefix stop_wine
  rm -rf "$prefix"
done
wineserver_started=1
if ! bounded 120 wineboot -i >>"$log" 2>&1; then
  echo "run-wine-tests: wineboot -i failed (see $log)" >&2
  exit 2
fi
# Real bitmap fonts for the classic dialog font.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>>"$log"
part_done "wineboot"

# --- The queue: the end-to-end cases (the longest first), the other DPIs, and (listed below,
# while the other lanes start on these) every GoogleTest test -----------------------------------
items=()
if [[ -f "$e2e" && -f "$build/tambrel.exe" ]]; then
  mapfile -t cases < <(bash "$e2e" --list 2>>"$log")
  items+=("${cases[@]/#/e2e: }")
fi
[[ -f "$view_exe" ]] && items+=("DpiScreens at "{120,144,192}" DPI")
# Screenshots and other artifacts of the view tests.
mkdir -p "$work/artifacts"
TAMBREL_ARTIFACTS=$(bounded 60 winepath -w "$work/artifacts" 2>>"$log")
export TAMBREL_ARTIFACTS TAMBREL_E2E_ARTIFACTS=$work/artifacts

# --- Lanes ------------------------------------------------------------------------------------
# The queue runs in `lanes` lanes side by side, this one and the others each this script again on
# a display of its own with a copy of the prefix (BUILD_DIR/wineprefix-laneN) and its own
# wineserver, so that no window, keystroke or process of one lane can meet another's. The prefix
# is copied once its server has ended, which writes the registry out; a copy, another directory,
# gets a server of its own. The programs and libraries in system32, nine tenths of the prefix
# and written by nothing after wineboot, are shared as hard links; the rest is copied.
lanes=4
stop_wine
rm -rf "$claims"
mkdir "$claims"
copies=()
for ((i = 2; i <= lanes; i++)); do
  lane_prefixes[i]="$WINEPREFIX-lane$i"
  {
    mkdir -p "${lane_prefixes[i]}/drive_c/windows" &&
      cp -al "$WINEPREFIX/drive_c/windows/system32" "${lane_prefixes[i]}/drive_c/windows/" &&
      cp -an "$WINEPREFIX/." "${lane_prefixes[i]}"
  } 2>>"$log" 9>&- &
  copies[i]=$!
done
for i in "${!copies[@]}"; do
  wait "${copies[i]}" || continue
  TAMBREL_WINE_LANE="lane$i" python3 "$repo/tests/harness.py" \
    bash "${BASH_SOURCE[0]}" "$build" "${items[@]}" \
    >"$work/wine-tests-lane$i.out" 2>&1 </dev/null 9>&- &
  lane_pids[i]=$!
done
part_done "copies of the prefix for $((lanes - 1)) more lanes"
timeout 20 wineserver -p >>"$log" 2>&1 9>&-

# --- Import table -----------------------------------------------------------------------------
# Not the prefixes' own programs.
while IFS= read -r exe; do
  bash "$here/check-imports.sh" "$exe" >>"$log" 2>&1
  record "imports: ${exe#"$build"/}" $?
done < <(find "$build" -path "$build/wineprefix*" -prune -o -path "$build/wine10" -prune -o \
  -path "$build/googletest-win32" -prune -o -name '*.exe' -type f -print | grep -v '/CMakeFiles/')

# --- The GoogleTest tests, one Wine process each, into the queue -------------------------------
list="$work/wine-tests.list"
for exe in "$test_exe" "$view_exe"; do
  [[ -f "$exe" ]] || continue
  # To a file, not a pipe: a Wine process can leave helpers holding a pipe open.
  bounded 60 wine "$exe" --gtest_list_tests >"$list" 2>>"$log"
  mapfile -t tests < <(tr -d '\r' <"$list" | awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { print suite $1 }')
  if [[ ${#tests[@]} -eq 0 ]]; then
    record "list tests of $(basename "$exe")" 1
    continue
  fi
  [[ $exe == "$view_exe" ]] && items+=("${tests[@]/#/view }") || items+=("${tests[@]/#/backends }")
done
printf '%s\n' "${items[@]}" >"$claims/.queue.new" && mv "$claims/.queue.new" "$claims/.queue"
part_done "import tables and test lists"

run_items "${items[@]}"
part_done "lane 1 ran ${#mine[@]} tests"

# --- The other lanes' results -----------------------------------------------------------------
# A test counts as passed only when a lane said so.
lane_outs=()
lane_statuses=""
for i in "${!lane_prefixes[@]}"; do
  status="no copy of the prefix"
  if [[ -n ${lane_pids[i]:-} ]]; then
    wait "${lane_pids[i]}"
    status=$?
    unset 'lane_pids[i]'
  fi
  lane_statuses+=" $i: $status;"
  lane_outs+=("$work/wine-tests-lane$i.out")
  cat "$work/wine-tests-lane$i.out" 2>/dev/null
  { echo "=== lane $i"; cat "$work/wine-tests-lane$i.log"; } >>"$log" 2>&1
  rm -f "$work/wine-tests-lane$i.log"
  # A passing lane's prefix is of no more use (the main prefix stays for a look after the run).
  [[ $status == 0 ]] && rm -rf "${lane_prefixes[i]}"
done
for item in "${items[@]}"; do
  [[ -n ${mine[$item]:-} ]] && continue
  name=$(item_name "$item")
  if cat "${lane_outs[@]}" 2>/dev/null | grep -qxF "PASS $name"; then
    count "$name" 0
  else
    cat "${lane_outs[@]}" 2>/dev/null | grep -qF "FAIL $name (" ||
      echo "FAIL $name (did not run; lanes ended with${lane_statuses%;})"
    count "$name" 1
  fi
done
rm -f "${lane_outs[@]}" "$work"/wine-test-lane*.out
rm -rf "$claims"
part_done "waiting for the other lanes"

# The view tests save screenshots as BMP (all GDI offers without more DLLs); keep PNGs, and put
# each window's four DPIs side by side.
for bmp in "$work/artifacts"/*.bmp; do
  [[ -e "$bmp" ]] && timeout 60 convert "$bmp" "${bmp%.bmp}.png" 2>>"$log" && rm -f "$bmp"
done
for window in main about; do
  shots=("$work/artifacts/win32-dpi-"{96,120,144,192}"-$window.png")
  if ls "${shots[@]}" >/dev/null 2>&1; then
    timeout 60 convert "${shots[@]}" -bordercolor white -border 8 -background white \
      -gravity north +append \
      "$work/artifacts/win32-$window-96-120-144-192-dpi.png" 2>>"$log"
  fi
done
part_done "screenshots"

echo "-- all: $SECONDS s" | tee -a "$log"

echo "$passed passed, $failed failed"
if ((failed > 0)); then
  printf 'failed: %s\n' "${failures[@]}"
  echo "details: $log"
  exit 1
fi
exit 0

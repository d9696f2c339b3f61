#!/usr/bin/env bash
# End-to-end runs of tambrel.exe under Wine, as a user runs it: settings seeded in the registry
# with `wine reg add`, real target applications, and everything observed from outside (the X
# window list through xdotool, processes through their ids, `wine reg query` for the settings,
# window_probe.exe for what a window shows).
#
#   run-e2e.sh BUILD_DIR [CASE...]     (default: every case)
#   run-e2e.sh --list                 (the case names)
#
# Expects what run-wine-tests.sh sets up: DISPLAY (an X server with a window manager), an
# initialised WINEPREFIX with its wineserver kept running, WINEDEBUG and WINEDLLOVERRIDES;
# TAMBREL_E2E_ARTIFACTS, where the screenshot goes (default: BUILD_DIR/artifacts).
# Every wait has a deadline and every wine call a timeout. Prints one line per check; the exit
# status is the number of failed cases (0: all passed).
set -u

# The longest first: run-wine-tests.sh runs them in lanes side by side, each lane taking the next.
readonly all_cases=(wait_for_process empty_title close_message no_window alt_f4 renamed_copy
  command_line bad_value)
if [[ ${1:-} == --list ]]; then
  printf '%s\n' "${all_cases[@]}"
  exit 0
fi
build=$(cd "${1:?usage: run-e2e.sh BUILD_DIR [CASE...]}" && pwd)
shift
cases=("$@")
((${#cases[@]})) || cases=("${all_cases[@]}")
for name in "${cases[@]}"; do
  [[ " ${all_cases[*]} " == *" $name "* ]] || { echo "unknown case $name" >&2; exit 64; }
done
: "${DISPLAY:?needs an X display}" "${WINEPREFIX:?needs a Wine prefix}"
exe=$build/tambrel.exe
target=$build/tests/win32/e2e/stubborn_target.exe
probe=$build/tests/win32/e2e/window_probe.exe
for file in "$exe" "$target" "$probe"; do
  [ -f "$file" ] || { echo "missing $file: build the windows preset first" >&2; exit 1; }
done

readonly reg_root='HKCU\Software\MERIDOX-TAMBREL'
readonly main_title='MERIDOX - TAMBREL'
readonly notepad_title='Untitled - Notepad'
readonly stubborn_title='Stubborn Target'
# What the exit procedure writes, sorted (tests/saved_keys.txt).
nine_keys=$(grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/../../saved_keys.txt" | LC_ALL=C sort | xargs)
readonly nine_keys

work=$(mktemp -d /tmp/tambrel-e2e.XXXXXX)
log=$work/wine.log
started=()
watchers=()
cleanup() {
  local pid
  for pid in "${started[@]}" "${watchers[@]}"; do
    kill "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

# ---- helpers ---------------------------------------------------------------------------------

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_for SECONDS COMMAND...: true as soon as COMMAND succeeds, false once SECONDS have passed.
wait_for() {
  local deadline=$(($(now_ms) + $1 * 1000))
  shift
  until "$@"; do
    (($(now_ms) >= deadline)) && return 1
    sleep 0.2
  done
}

# Starts a command in the background; its process id is left in $last_pid.
start() {
  "$@" >>"$log" 2>&1 &
  last_pid=$!
  started+=("$last_pid")
}
# start_tambrel [EXE]: TAMBREL started like that, its standard error kept apart for told().
start_tambrel() {
  timeout -k 5 90 wine "${1:-$exe}" >>"$log" 2>"$work/told" &
  last_pid=$!
  started+=("$last_pid")
}
# What TAMBREL wrote to its standard error.
told() { tr -d '\r' <"$work/told"; }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }
# note_end PID: from now on a background poll (every 50 ms) writes the time PID was first seen
# gone, so that what the case does meanwhile (a probe, a screenshot) cannot delay that reading.
note_end() {
  local pid=$1
  (
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    now_ms >"$work/ended.$pid"
  ) &
  watchers+=($!)
}
# The time noted for PID (once it has ended): "ended_at PID" after a successful wait for it.
ended_at() {
  wait_for 2 test -s "$work/ended.$1" && cat "$work/ended.$1"
}
# ms_between PID_A PID_B: milliseconds from A's end to B's end, or "unknown".
ms_between() {
  local a b
  a=$(ended_at "$1") && b=$(ended_at "$2") && echo $((b - a)) || echo unknown
}
within() { [[ $1 != unknown ]] && (($1 >= $2 && $1 <= $3)); }
# The exit status of a background process that has ended.
status_of() {
  wait "$1"
  echo $?
}

# A visible X window whose title is exactly $1 (no regular expression characters in titles here).
# A search that crosses a window being destroyed (a program just ended) can come back empty:
# a window counts as gone only after three searches 0.1 s apart.
window_shown() {
  local try
  for try in 1 2 3; do
    [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ] && return 0
    [ "$try" = 3 ] || sleep 0.1
  done
  return 1
}
window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
# The titles of the visible windows, for a failure report.
visible_titles() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    printf '"%s" ' "$(timeout 5 xdotool getwindowname "$id" 2>/dev/null)"
  done
}
# Presses Return in the window with id $1, only once it is the active one: under load the window
# manager can answer an activation late, and a key typed into notepad instead would change what
# a case checks.
press_return_in() {
  timeout 10 xdotool windowactivate --sync "$1" >>"$log" 2>&1 &&
    [ "$(timeout 10 xdotool getactivewindow 2>>"$log")" = "$1" ] &&
    timeout 10 xdotool key Return >>"$log" 2>&1
}
# What the window titled $1 shows: "Class: text" for each of its controls.
window_texts() { timeout -k 5 30 wine "$probe" "$1" 2>>"$log" | tr -d '\r'; }

# Presses Return in TAMBREL's message box until program $1 has ended, for 20 s at most: a Return
# that did not reach the box is pressed again.
acknowledge_box() {
  local box pid=$1
  box=$(window_id TAMBREL)
  [ -n "$box" ] || return 1
  wait_for 20 eval 'press_return_in "$box"; wait_for 2 gone "$pid"'
}

# seed SECTION [KEY VALUE]...: the section holds exactly these values afterwards; a set-up step
# (see set_up) that says so when it fails.
seed() {
  local section=$1
  shift
  timeout -k 5 30 wine reg delete "$reg_root\\$section" /f >>"$log" 2>&1
  while (($# >= 2)); do
    if ! timeout -k 5 30 wine reg add "$reg_root\\$section" /v "$1" /t REG_SZ /d "$2" /f \
      >>"$log" 2>&1; then
      not_reached "$1 seeded in $section"
      return 1
    fi
    shift 2
  done
}
# The value names stored in SECTION, sorted, on one line; empty when the section is absent.
stored_keys() {
  timeout -k 5 30 wine reg query "$reg_root\\$1" 2>>"$log" | tr -d '\r' |
    awk '$2 ~ /^REG_/ { print $1 }' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
}
stored_value() {
  timeout -k 5 30 wine reg query "$reg_root\\$1" /v "$2" 2>>"$log" | tr -d '\r' |
    sed -n "s/^ *$2 *REG_SZ *//p"
}
# The activity log of SECTION (under the prefix's %LOCALAPPDATA%), and its events: each line
# must start with an ISO 8601 local time stamp, which is taken off; an unstamped line shows as
# "UNSTAMPED: line".
log_file() { printf '%s\n' "$WINEPREFIX"/drive_c/users/*/AppData/Local/MERIDOX-TAMBREL/"$1".log; }
logged() {
  sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}[+-][0-9]{2}:[0-9]{2} //;
          t; s/^/UNSTAMPED: /' "$(log_file "$1")" 2>/dev/null
}
section_exists() { timeout -k 5 30 wine reg query "$reg_root\\$1" >/dev/null 2>&1; }

case_failed=0
set_up_failed=0
failed_cases=0
# set_up WHAT COMMAND...: a step that makes the scenario a case checks (a target up, settings
# seeded), not a check of TAMBREL. A case stops at the first that fails (`|| return`) and is run
# once more: a scenario not reached says nothing about TAMBREL, and is reported as not reached.
set_up() {
  local what=$1
  shift
  "$@" || { not_reached "$what"; return 1; }
}
not_reached() {
  echo "  NOT REACHED: $1"
  set_up_failed=1
}
check() {
  local what=$1
  shift
  if "$@"; then
    echo "  ok: $what"
  else
    echo "  FAILED: $what"
    case_failed=1
  fi
}
begin_case() {
  echo "== $1"
  case_failed=0
  set_up_failed=0
}
end_case() {
  local pid
  if ((case_failed || set_up_failed)); then
    echo "   (windows: $(visible_titles))"
    echo "   (log: $(tail -n 8 "$log" | tr '\n' ' '))"
  fi
  # Nothing a case started outlives it.
  for pid in "${started[@]}"; do
    alive "$pid" && kill "$pid" 2>/dev/null
  done
  for pid in "${started[@]}"; do
    wait_for 10 gone "$pid" >/dev/null
  done
  for pid in "${watchers[@]}"; do
    kill "$pid" 2>/dev/null
  done
  started=()
  watchers=()
}

start_notepad() {
  # Bounded beyond any case (run-wine-tests.sh ends one after 240 s): on a busy machine a case can
  # take more than two minutes, and a notepad ended by its own bound reads as one TAMBREL closed.
  start timeout -k 5 300 wine notepad.exe
  notepad=$last_pid
  note_end "$notepad"
  wait_for 30 window_shown "$notepad_title" && return 0
  alive "$notepad" && echo "  (notepad runs without its window)" ||
    echo "  (notepad ended with status $(status_of "$notepad") before its window showed)"
  return 1
}

# ---- cases -----------------------------------------------------------------------------------

# Autostart with notepad running: the close message closes it, TAMBREL ends about eight
# seconds later and leaves the nine settings of its exit procedure.
case_close_message() {
  begin_case "autostart, close message: notepad closes, TAMBREL ends eight seconds later"
  rm -f "$(log_file tambrel)"
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "$notepad_title" || return
  set_up "notepad is up" start_notepad || return
  start_tambrel
  local tambrel=$last_pid
  note_end "$tambrel"
  check "the main window shows" wait_for 20 window_shown "$main_title"
  # "RUNNING" shows from the watcher's first tick (a second after start) until notepad has
  # closed (seven seconds after start), so this deadline cannot be longer.
  check "the watcher sees notepad running" \
    wait_for 5 eval 'window_texts "$main_title" | grep -qx "Edit: RUNNING"'
  # What the user sees while the countdown runs, kept with the build.
  local artifacts=${TAMBREL_E2E_ARTIFACTS:-$build/artifacts}
  mkdir -p "$artifacts"
  timeout 30 import -window root "$artifacts/e2e-countdown.png" >>"$log" 2>&1
  check "notepad closes" wait_for 30 gone "$notepad"
  check "TAMBREL ends" wait_for 30 gone "$tambrel"
  # TAMBREL ends at the eighth exit-countdown tick after the tick that posted the close; notepad
  # ends some time d after that post. So the gap is 8 s - d + TAMBREL's own exit time e. Low: d
  # up to 2 s for notepad to close under load. High: 8 s + e, plus one second for a tick missed
  # while a handler blocked (missed ticks are not made up), with e up to 3 s under load.
  local after
  after=$(ms_between "$notepad" "$tambrel")
  check "it ended ${after} ms after notepad did (eight seconds: 6000 to 12000)" \
    within "$after" 6000 12000
  check "exit status 0" test "$(status_of "$tambrel")" = 0
  check "nothing on standard error ($(told))" test -z "$(told)"
  check "its windows are gone" eval '! window_shown "$main_title"'
  check "the registry holds the nine keys" test "$(stored_keys tambrel)" = "$nine_keys"
  check "the window name was saved" test "$(stored_value tambrel WINDOW_NAME_TEXTBOX)" = \
    "$notepad_title"
  local events closed_pid
  events=$(logged tambrel)
  check "every log line is stamped" eval '! grep -q "^UNSTAMPED" <<<"$events"'
  check "the log starts with the start" eval 'head -n 1 <<<"$events" | grep -q "^start: TAMBREL"'
  closed_pid=$(sed -nE 's/^close request: posted to window 0x[0-9a-f]+ \(pid ([0-9]+), notepad\.exe\) titled "Untitled - Notepad"$/\1/p' <<<"$events")
  check "the log names the window closed and its process (pid ${closed_pid:-none})" \
    test -n "$closed_pid"
  check "the watcher logged that same process id" \
    grep -qx "process state: RUNNING, \"notepad.exe\": pid ${closed_pid:-none}" <<<"$events"
  check "the log ends with the exit and its cause" test "$(tail -n 1 <<<"$events")" = \
    "exit: exit countdown ended with the process state STOPPED"
}

# A title that matches no window: nothing is closed, and the log says why.
case_no_window() {
  begin_case "a title that matches no window: notepad stays, the log says so"
  rm -f "$(log_file tambrel)"
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "No window has this title" WAIT_FOR_PROCESS_TICKBOX 0 || return
  set_up "notepad is up" start_notepad || return
  start_tambrel
  local tambrel=$last_pid
  check "TAMBREL ends" wait_for 40 gone "$tambrel"
  check "exit status 3" test "$(status_of "$tambrel")" = 3
  check "one line on standard error says why, and that notepad still runs ($(told))" test \
    "$(told)" = 'tambrel: no window had the title "No window has this title" while "notepad.exe" ran, so nothing was asked to close; the windows of "notepad.exe": "Untitled - Notepad"; "notepad.exe" still runs; exit status 3'
  check "notepad is still running" alive "$notepad"
  local events
  events=$(logged tambrel)
  check "the log says no window has the title" grep -qx \
    'close request: no window has the title "No window has this title"; the windows of "notepad.exe": "Untitled - Notepad"; nothing was asked to close' \
    <<<"$events"
  check "the log ends with the exit and its cause" test "$(tail -n 1 <<<"$events")" = \
    "exit: exit countdown ended with the process state RUNNING"
}

# The same with "Use SendKeys Alt-F4 Instead": the keystroke closes notepad.
case_alt_f4() {
  begin_case "autostart, Alt+F4: notepad closes by the keystroke"
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 SENDKEYS_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "$notepad_title" || return
  set_up "notepad is up" start_notepad || return
  start timeout -k 5 90 wine "$exe"
  local tambrel=$last_pid
  check "the main window shows" wait_for 20 window_shown "$main_title"
  check "notepad closes" wait_for 30 gone "$notepad"
  check "TAMBREL ends" wait_for 30 gone "$tambrel"
  check "exit status 0" test "$(status_of "$tambrel")" = 0
  check "the Alt+F4 option was saved" test "$(stored_value tambrel SENDKEYS_TICKBOX)" = 1
}

# A target that ignores the close request, with the wait option: TAMBREL keeps counting until
# the process is gone, then ends.
case_wait_for_process() {
  begin_case "wait option: TAMBREL runs until the stubborn target's process is gone"
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 WAIT_FOR_PROCESS_TICKBOX 1 \
    PROCESS_NAME_TEXTBOX stubborn_target.exe WINDOW_NAME_TEXTBOX "$stubborn_title" || return
  start timeout -k 5 120 wine "$target" "$stubborn_title"
  local stubborn=$last_pid
  note_end "$stubborn"
  set_up "the target is up" wait_for 30 window_shown "$stubborn_title" || return
  local started_at
  started_at=$(now_ms)
  start timeout -k 5 120 wine "$exe"
  local tambrel=$last_pid
  note_end "$tambrel"
  check "the main window shows" wait_for 20 window_shown "$main_title"
  # The close request comes 7 s after start and the first exit decision 8 s later; past that
  # point TAMBREL must still be there, waiting.
  wait_for 19 eval '(($(now_ms) - started_at >= 18000)) || gone "$tambrel"'
  check "TAMBREL still runs 18 s after start" alive "$tambrel"
  check "the target refused the close" window_shown "$stubborn_title"
  check "the exit countdown counts again" \
    eval 'window_texts "$main_title" | grep -Eq "^Edit: 0[0-7]$"'
  kill "$stubborn"
  check "the target's process ends when killed" wait_for 10 gone "$stubborn"
  check "TAMBREL ends" wait_for 30 gone "$tambrel"
  # The watcher sees the process gone at its first tick after the end (within its 1 s period);
  # the decision is taken at the next "00", up to one full 8 s countdown later. Add one second
  # for a tick missed while a handler blocked and up to 2 s for TAMBREL's own exit under load.
  local after
  after=$(ms_between "$stubborn" "$tambrel")
  check "it ended ${after} ms after the target's process (at most 8 s + 1 s, 0 to 12000)" \
    within "$after" 0 12000
  check "exit status 0" test "$(status_of "$tambrel")" = 0
}

# A stored value that cannot be restored: the message names it, the main window never shows.
case_bad_value() {
  begin_case "bad stored value: a message names it and TAMBREL exits without its window"
  seed tambrel MainLeft "12abc" || return
  start_tambrel
  local tambrel=$last_pid
  local main_seen=0
  box_or_main() {
    window_shown "$main_title" && main_seen=1
    window_shown TAMBREL
  }
  check "the message box shows" wait_for 20 box_or_main
  local texts
  texts=$(window_texts TAMBREL)
  check "it names the key" grep -q "MainLeft" <<<"$texts"
  check "it quotes the stored text" grep -q "12abc" <<<"$texts"
  check "it says where the value is kept" grep -q "MERIDOX-TAMBREL" <<<"$texts"
  window_shown "$main_title" && main_seen=1
  check "the main window never showed" test "$main_seen" = 0
  check "TAMBREL ends once the message is acknowledged" acknowledge_box "$tambrel"
  check "exit status 1" test "$(status_of "$tambrel")" = 1
  check "the message is on standard error too" grep -q '^tambrel: stopped on an error: .*12abc' \
    <<<"$(told)"
  check "the bad value is left for the user to mend" \
    test "$(stored_value tambrel MainLeft)" = "12abc"
}

# A copy under another name reads and writes its own section.
case_renamed_copy() {
  begin_case "renamed copy: its own section"
  cp "$exe" "$work/other-name.exe"
  seed tambrel || return
  seed other-name AUTOSTART_COUNTDOWN_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "$notepad_title" || return
  set_up "notepad is up" start_notepad || return
  start timeout -k 5 90 wine "$work/other-name.exe"
  local copy=$last_pid
  check "the main window shows" wait_for 20 window_shown "$main_title"
  # The name shows until the copy ends, fifteen seconds after start.
  check "it shows its own name" \
    wait_for 10 eval 'window_texts "$main_title" | grep -qx "Static: other-name"'
  check "notepad closes (the copy's settings were read)" wait_for 30 gone "$notepad"
  check "the copy ends" wait_for 30 gone "$copy"
  check "exit status 0" test "$(status_of "$copy")" = 0
  check "its section holds the nine keys" test "$(stored_keys other-name)" = "$nine_keys"
  check "the original's section was not touched" eval '! section_exists tambrel'
}

# No window name: nothing is asked to close in either mode, notepad in front or not; with Alt+F4
# that is the error of a name no window has.
case_empty_title() {
  begin_case "empty window name: nothing closes, by close message or by Alt+F4"
  # Without the wait option, which is ticked at first: notepad runs on.
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 WAIT_FOR_PROCESS_TICKBOX 0 \
    PROCESS_NAME_TEXTBOX notepad.exe WINDOW_NAME_TEXTBOX "" || return
  set_up "notepad is up" start_notepad || return
  start timeout -k 5 90 wine "$exe"
  local tambrel=$last_pid
  check "the main window shows" wait_for 20 window_shown "$main_title"
  check "TAMBREL ends" wait_for 40 gone "$tambrel"
  check "exit status 3: no window had the title" test "$(status_of "$tambrel")" = 3
  check "notepad is still there" alive "$notepad"

  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 SENDKEYS_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "" || return
  start timeout -k 5 90 wine "$exe"
  tambrel=$last_pid
  check "the message box shows" wait_for 30 window_shown TAMBREL
  check "it says the name is empty" eval 'window_texts TAMBREL | grep -q "window name is empty"'
  check "TAMBREL ends once the message is acknowledged" acknowledge_box "$tambrel"
  check "exit status 1" test "$(status_of "$tambrel")" = 1
  check "notepad is still there" alive "$notepad"
  check "its window too" window_shown "$notepad_title"
}

# Arguments are answered on the standard streams at once; none lets the countdowns run.
case_command_line() {
  begin_case "command line: --version, --help, --list, a refused argument"
  seed tambrel AUTOSTART_COUNTDOWN_TICKBOX 1 PROCESS_NAME_TEXTBOX notepad.exe \
    WINDOW_NAME_TEXTBOX "$notepad_title" || return
  set_up "notepad is up" start_notepad || return
  local out status
  # answer ARG STREAM: runs tambrel.exe ARG; its STREAM (1 or 2) in $out, its status in $status.
  answer() {
    timeout -k 5 30 wine "$exe" "$1" >"$work/out.1" 2>"$work/out.2"
    status=$?
    out=$(tr -d '\r' <"$work/out.$2")
  }
  answer --version 1
  check "--version prints the product and version ($out)" grep -Eqx 'TAMBREL [0-9]+\.[0-9]+' <<<"$out"
  check "--version: exit status 0" test "$status" = 0
  answer --help 1
  check "--help names where the settings are" \
    grep -qF 'HKEY_CURRENT_USER\Software\MERIDOX-TAMBREL\tambrel' <<<"$out"
  check "--help: exit status 0" test "$status" = 0
  check "--help lists no display to be without" eval '! grep -q "no display" <<<"$out"'
  answer '/?' 1
  check "/? shows the help" grep -qF 'HKEY_CURRENT_USER\Software\MERIDOX-TAMBREL\tambrel' <<<"$out"
  check "/?: exit status 0" test "$status" = 0
  timeout -k 5 30 wine "$exe" --help >/dev/full 2>"$work/out.2"
  check "--help into a full disk: exit status 1" test $? = 1
  check "and a line that says so" grep -q "writing to standard output failed" "$work/out.2"
  answer --list 1
  check "--list: notepad's window with its process and image name ($out)" \
    grep -qP '^0x[0-9a-f]+\t[0-9]+\tnotepad\.exe\tUntitled - Notepad$' <<<"$out"
  check "--list: exit status 0" test "$status" = 0
  answer --autostart 2
  check "a refused argument is named on the error stream" grep -qF '"--autostart"' <<<"$out"
  check "a refused argument: exit status 2" test "$status" = 2
  check "notepad is still there" alive "$notepad"
}

# A listed case without its function would otherwise pass by doing nothing.
for name in "${cases[@]}"; do
  declare -F "case_$name" >/dev/null || { echo "no function case_$name" >&2; exit 64; }
done
start_ms=$(now_ms)
for name in "${cases[@]}"; do
  for attempt in 1 2; do
    "case_$name"
    end_case
    if ((set_up_failed && !case_failed && attempt == 1)); then
      echo "  (its scenario was not reached: the case runs once more)"
      continue
    fi
    ((case_failed || set_up_failed)) && failed_cases=$((failed_cases + 1))
    break
  done
done
# Leave the prefix as found: no TAMBREL settings.
seed tambrel
seed other-name
echo "== end to end: $((${#cases[@]} - failed_cases)) of ${#cases[@]} cases passed" \
  "in $((($(now_ms) - start_ms) / 1000)) s"
exit "$failed_cases"

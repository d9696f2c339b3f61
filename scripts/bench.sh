#!/usr/bin/env bash
# Runs every benchmark and prints the figures that docs/performance.md records, each with its
# target. Not part of the test command: the figures depend on the machine and on what else runs.
#
#   scripts/bench.sh           short mode (a few minutes): the timer check runs 10 ticks
#   scripts/bench.sh --long    adds 300 one-second ticks and the five-minute auto-terminate chain
#                              (about five more minutes)
#
# Builds with the linux preset. The program benchmarks run on a private Xvfb (:50-:59) with openbox.
set -euo pipefail
cd "$(dirname "$0")/.."

long=0
if [ "${1:-}" = "--long" ]; then
  long=1
elif [ $# -gt 0 ]; then
  echo "usage: scripts/bench.sh [--long]" >&2
  exit 2
fi

bench_targets=(tambrel tambrel_procfs_bench tambrel_core_day_bench tambrel_program_bench
               tambrel_bare_qt_window tambrel_timer_bench)
cmake --preset linux >/dev/null
cmake --build --preset linux -j 2 --target "${bench_targets[@]}" >/dev/null
bin=build/linux
work=$(mktemp -d "${TMPDIR:-/tmp}/tambrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
xvfb() { WITH_XVFB_FIRST=50 WITH_XVFB_LAST=59 tests/x11/with-xvfb.sh "$@"; }

echo "== Machine"
echo "cpus: $(nproc)"
echo "cpu model: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "processes: $(ls -d /proc/[0-9]* | wc -l)"

echo
echo "== /proc image-name check (median of 5 repetitions, wall time per check)"
"$bin/bench/tambrel_procfs_bench" --benchmark_repetitions=5 --benchmark_min_time=0.5 \
  --benchmark_report_aggregates_only=true --benchmark_out="$work/procfs.json" \
  --benchmark_out_format=json >/dev/null 2>&1
python3 - "$work/procfs.json" <<'PY'
import json, sys
rows = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        rows[b["run_name"]] = (b["real_time"], b.get("processes", 0))
for extra in (0, 1000):
    get = lambda name: rows["%s/%d/real_time" % (name, extra)]
    floor, procs = get("BM_Floor_CommOnly")
    absent = get("BM_IsRunning_Absent")[0]
    present = get("BM_IsRunning_Present")[0]
    pgrep = get("BM_Pgrep")[0]
    print("%5d processes: floor %.2f ms | is_running absent %.2f ms (%.2fx floor) | "
          "present %.2f ms | pgrep -x %.2f ms (%.1fx the check)"
          % (procs, floor, absent, absent / floor, present, pgrep, pgrep / absent))
    if extra == 1000:
        print("target within 2x of the floor at +1000: %s" % ("met" if absent <= 2 * floor else "MISSED"))
        print("target at least 10x cheaper than pgrep: %s" % ("met" if pgrep >= 10 * absent else "MISSED"))
PY

echo
echo "== One virtual day of the core (86,400 virtual seconds)"
"$bin/bench/tambrel_core_day_bench" --benchmark_out="$work/day.json" --benchmark_out_format=json \
  >/dev/null 2>&1
python3 - "$work/day.json" <<'PY'
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
cpu_ms = b["cpu_time"]
print("cpu %.1f ms per virtual day (wall %.1f ms), %d watcher ticks, %d iterations"
      % (cpu_ms, b["real_time"], b["watcher_ticks"], b["iterations"]))
print("target under one second of CPU: %s" % ("met" if cpu_ms < 1000 else "MISSED"))
PY

echo
echo "== The program on Xvfb with openbox: start-up and 60 s idle"
xvfb "$bin/bench/tambrel_program_bench" "$bin/tambrel" "$bin/bench/tambrel_bare_qt_window" 60 7 \
  2>/dev/null | tee "$work/program.txt"
python3 - "$work/program.txt" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
cpu = float(re.search(r"cpu_percent_of_core=([0-9.]+)", text).group(1))
print("target idle CPU under 0.5%% of a core: %s" % ("met" if cpu < 0.5 else "MISSED"))
PY

echo
if [ "$long" = 1 ]; then
  echo "== Timer accuracy: 300 one-second ticks and the five-minute chain, in real time"
  xvfb "$bin/bench/tambrel_timer_bench" 300 --chain 2>/dev/null | tee "$work/timer.txt"
else
  echo "== Timer accuracy: 10 one-second ticks (scripts/bench.sh --long for 300 and the chain)"
  xvfb "$bin/bench/tambrel_timer_bench" 10 2>/dev/null | tee "$work/timer.txt"
fi
python3 - "$work/timer.txt" "$long" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
err = float(re.search(r"ticks .*? error_ms=(-?[0-9.]+)", text).group(1))
if sys.argv[2] == "1":
    print("target 300 ticks end within 50 ms of 300 s: %s" % ("met" if abs(err) <= 50 else "MISSED"))
    chain = float(re.search(r"chain .*? error_ms=(-?[0-9.]+)", text).group(1))
    print("target chain terminates at 300 s +- 1 s: %s" % ("met" if abs(chain) <= 1000 else "MISSED"))
PY
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

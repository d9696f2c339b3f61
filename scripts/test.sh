#!/usr/bin/env bash
# Builds everything and runs every test: the gates (format, include layers), the Linux desktop
# build (core, offscreen view, X11 and /proc backends under Xvfb, fault injection, end to end,
# the Debian package), the Wayland compositors and GNOME Shell, a sanitizer build with its tests
# and short fuzzing runs, and the Windows build under Wine. Every build treats warnings as
# errors. Prints each stage's time and result at the end.
#
# A stage is a shell function and one line below: `stage NAME FUNCTION` runs it in the foreground,
# `stage_beside NAME FUNCTION` in the background beside the stages that follow, its output kept in
# build/test-logs/NAME.log and shown at the end. Most tests wait on real countdowns rather than
# compute, so everything after the Linux build runs side by side; every test polls against its own
# deadline, so a busy machine makes it slower, not wrong.
#
# Compiler output is cached with ccache (~/.cache/ccache) when it is installed: a fresh clone
# then builds in a fraction of the time once any clone has built the same sources.
set -euo pipefail
cd "$(dirname "$0")/.."
# Every list first, one after the other: apt-get cannot run twice at once.
bash scripts/install-deps.sh
bash scripts/install-deps.sh scripts/deps-wayland.txt
bash scripts/install-deps.sh scripts/deps-gnome.txt
# The Debian 13 root (scripts/deps-debian13.txt), made here once, not by two stages at a time.
bash scripts/debian13-root.sh path >/dev/null

jobs=$(nproc)
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  # Paths inside the clone are hashed relative to it, so any clone reuses another's results.
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
fi
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
began=$SECONDS
stages=()
beside=()

# Background stages get a process group of their own (set -m), ended with the script.
trap 'for pid in "${beside[@]}"; do kill -- "-$pid" 2>/dev/null; done' EXIT

# Runs "$@" and writes "SECONDS STATUS" to $logs/NAME.time. Stage functions run without errexit:
# they chain their steps with &&.
timed() {
  local name=$1 t0=$SECONDS rc=0
  shift
  "$@" || rc=$?
  echo "$((SECONDS - t0)) $rc" >"$logs/$name.time"
}
stage() {
  stages+=("$1")
  echo "== $1"
  timed "$@"
}
stage_beside() {
  stages+=("$1")
  echo "== $1 (in the background; output at the end)"
  set -m
  timed "$@" >"$logs/$1.log" 2>&1 </dev/null &
  beside+=("$!")
  set +m
}

gates() {
  # Formatting and the include layers (scripts/include-graph.sh).
  find src tests bench \( -name '*.cc' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror &&
    sh scripts/include-graph.sh --check >/dev/null
}

# The Windows build, asked for by both Wine stages: whichever comes first builds, under a lock.
windows_build() {
  {
    flock 8 && cmake --preset windows "$werror" >/dev/null 8>&- &&
      cmake --build --preset windows -j "$jobs" 8>&-
  } 8>build/windows-build.lock
}

windows() { windows_build && bash tests/win32/run-wine-tests.sh; }

# The same tests under Wine 10, in the Debian 13 root; the program is built out here. The Wine
# runner runs them once the Wine 8 run is over: both at once overload two cores.
windows_wine10() { windows_build && bash tests/win32/run-wine-tests.sh --wine10; }

linux_build() {
  cmake --preset linux "$werror" >/dev/null &&
    cmake --build --preset linux -j "$jobs" --target all deb
}

# Each of these runs its own servers (Xvfb, compositors, buses) and names its processes apart,
# so ctest may run several at once.
linux() { ctest --preset linux -j 4 -LE "wayland-e2e|gnome"; }

# Wayland: sway and KWin headless, the program end to end under each.
wayland() { ctest --preset linux -j 2 -L wayland-e2e; }

# GNOME: headless GNOME Shell with TAMBREL's extension, the program end to end.
gnome() { ctest --preset linux -L gnome; }

# Today's desktops: the Linux program built in a Debian 13 root (GCC 14, Qt 6.8; made once and
# kept, scripts/debian13-root.sh) and its core, backend, Wayland and GNOME tests run there, against
# GNOME Shell 48, KWin 6.3 and sway 1.10.
debian13() {
  bash scripts/debian13-root.sh path >/dev/null &&
    bash scripts/debian13-root.sh run env CMAKE_CXX_COMPILER_LAUNCHER=ccache \
      CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true sh -c \
      "cmake --preset debian13 $werror >/dev/null && cmake --build --preset debian13 -j $jobs &&
       ctest --preset debian13 -j 2"
}

# The sanitizer build also builds the fuzz targets (libFuzzer with the same sanitizers) and runs
# each for a short time on its seed corpus (docs/fuzzing.md).
sanitizers_and_fuzzing() {
  cmake --preset asan "$werror" >/dev/null &&
    cmake --build --preset asan -j "$jobs" &&
    ctest --preset asan -j "$jobs"
}

stage gates gates
stage_beside windows windows
stage_beside windows-wine10 windows_wine10
stage linux-build linux_build
read -r _ built <"$logs/linux-build.time"
if [ "$built" = 0 ]; then
  stage_beside linux linux
  stage_beside wayland wayland
  stage_beside gnome gnome
  stage_beside debian13 debian13
fi
stage sanitizers-and-fuzzing sanitizers_and_fuzzing

for pid in "${beside[@]}"; do
  wait "$pid" || true
done
beside=()
for name in "${stages[@]}"; do
  if [ -f "$logs/$name.log" ]; then
    echo "== $name (output)"
    cat "$logs/$name.log"
  fi
done

echo "== Stage times"
status=0
for name in "${stages[@]}"; do
  secs=? rc=1
  [ -f "$logs/$name.time" ] && read -r secs rc <"$logs/$name.time"
  result=ok
  [ "$rc" = 0 ] || { result=FAILED; status=1; }
  printf '  %-26s %5ss  %s\n' "$name" "$secs" "$result"
done
printf '  %-26s %5ss\n' "total" "$((SECONDS - began))"
exit "$status"

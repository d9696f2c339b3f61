#!/bin/sh
# Prints the include graph of src/ by folder: "from -> to  (includes)", one line per pair of
# folders. With --check, also fails if a folder includes from a folder of a higher layer.
#
# The graph is this one line, which anyone can rerun from the top of the tree:
#   grep -r '#include "[a-z_]*/' src | sed -E 's#^src/(platform/[a-z0-9_]+/|[a-z_]+/)[^:]*:.*\#include "(platform/[a-z0-9_]+/|[a-z_]+/).*#\1 -> \2#; s#/( |$)#\1#g' | sort | uniq -c | awk '$2 != $4'
set -eu
cd "$(dirname "$0")/.."

graph=$(grep -r '#include "[a-z_]*/' src |
  sed -E 's#^src/(platform/[a-z0-9_]+/|[a-z_]+/)[^:]*:.*\#include "(platform/[a-z0-9_]+/|[a-z_]+/).*#\1 -> \2#; s#/( |$)#\1#g' |
  sort | uniq -c | awk '$2 != $4')
echo "$graph" | awk '{ printf "%-16s -> %-16s (%d)\n", $2, $4, $1 }'
[ "${1:-}" = "--check" ] || exit 0

# The layers, lowest first: a folder may include only from folders of a lower layer. A folder
# missing here fails the check until it is given its place.
echo "$graph" | awk '
  BEGIN {
    n = split("platform forms settings window_models " \
              "close_request|process|window_helpers exit shell platform/posix " \
              "platform/linux|platform/xdg|platform/x11|platform/wayland|platform/gnome platform/qt|platform/win32", layers, " ")
    for (i = 1; i <= n; i++) {
      m = split(layers[i], names, "|")
      for (j = 1; j <= m; j++) layer[names[j]] = i
    }
  }
  {
    from = $2; to = $4
    if (!(from in layer) || !(to in layer)) {
      printf "include-graph: %s -> %s: folder without a layer (scripts/include-graph.sh)\n", from, to
      bad = 1
    } else if (layer[from] <= layer[to]) {
      printf "include-graph: %s includes upward from %s\n", from, to
      bad = 1
    }
  }
  END { exit bad }' >&2

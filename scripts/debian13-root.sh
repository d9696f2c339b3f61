#!/usr/bin/env bash
# A Debian 13 root for the tests of today's desktops (GCC 14, Qt 6.8, GNOME Shell 48, KWin 6.3,
# sway 1.10, Wine 10), and the way into it.
#
#   bash scripts/debian13-root.sh path        makes the root if need be, prints its folder
#   bash scripts/debian13-root.sh run CMD...  runs CMD inside it, in the current folder
#
# The root is made with mmdebstrap from scripts/deps-debian13.txt (minbase, no recommended
# extras, the tool's default mirror) and kept under ~/.cache/tambrel/, named after a hash of that
# list: a changed list makes a new root and removes the old ones. It is made in a folder of its
# own and renamed into place only once whole, so an interrupted run leaves no half root behind.
#
# It is entered with bwrap (no daemon, no image format): the host's /dev, a fresh /proc, /sys read
# only, and /tmp and this checkout bound at their own paths, so sockets, the X socket folder and
# the build tree are shared with the host. Needs root (mmdebstrap's root mode; the compositors'
# tests run as root as on the host).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
checkout=$(dirname "$here")
list=$here/deps-debian13.txt
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tambrel
key=$( (grep -vE '^\s*(#|$)' "$list"; echo trixie minbase) | sha256sum | cut -c1-16)
root=$cache/debian13-$key

make_root() {
  [ -x "$root/usr/bin/gnome-shell" ] && return 0
  # Stages that start side by side make it once: the second waits for the first. The lock is
  # let go once the root is there, not held by what then runs in it.
  mkdir -p "$cache"
  exec 9>"$cache/.lock"
  flock 9
  [ -x "$root/usr/bin/gnome-shell" ] || make_root_locked
  exec 9>&-
}

make_root_locked() {
  [ "$(id -u)" -eq 0 ] || { echo "Making the Debian 13 root needs root." >&2; exit 1; }
  for tool in mmdebstrap:mmdebstrap bwrap:bubblewrap; do
    command -v "${tool%%:*}" >/dev/null || {
      DEBIAN_FRONTEND=noninteractive apt-get update -q &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${tool#*:}"
    }
  done
  mkdir -p "$cache"
  local partial=$root.partial.$$
  trap 'rm -rf "$partial"' EXIT
  echo "Making the Debian 13 root $root (a few minutes, once per package list)" >&2
  mmdebstrap --variant=minbase --mode=root --aptopt='APT::Install-Recommends "false"' \
    --include="$(grep -vE '^\s*(#|$)' "$list" | paste -sd,)" trixie "$partial" >&2
  mv "$partial" "$root"
  trap - EXIT
  # Roots of older lists.
  for old in "$cache"/debian13-*; do
    [ "$old" = "$root" ] || rm -rf "$old"
  done
}

run_in_root() {
  local ccache=$cache/ccache-debian13
  mkdir -p "$ccache"
  # A clean environment: nothing of the host's but whether this is CI.
  exec bwrap --bind "$root" / --dev-bind /dev /dev --proc /proc --ro-bind /sys /sys \
    --bind /tmp /tmp --bind "$checkout" "$checkout" --bind "$ccache" /root/.cache/ccache \
    --chdir "$PWD" --die-with-parent \
    env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8 \
    ${CI:+CI=$CI} "$@"
}

case "${1:-}" in
  path) make_root && echo "$root" ;;
  run) shift && make_root && run_in_root "$@" ;;
  *) echo "usage: $0 path | run CMD..." >&2 && exit 2 ;;
esac

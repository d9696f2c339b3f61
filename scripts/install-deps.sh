#!/usr/bin/env bash
# Installs the Debian packages in scripts/deps.txt (or in the list given) that are not installed
# yet (needs root). A list given by name brings only what it names, without recommended extras:
# the compositors would otherwise pull in whole desktops.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "${1:-$here/deps.txt}")
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages need root: run as root, or: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  extra=()
  [ $# -gt 0 ] && extra=(--no-install-recommends)
  apt-get -o DPkg::Lock::Timeout=900 install -y -q "${extra[@]}" "${missing[@]}"
fi

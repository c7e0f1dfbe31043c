#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages/*.txt that are not installed yet.
# Usage: scripts/install-deps.sh [--windows]
# windows.txt (the cross build for Windows and Wine) is installed only with --windows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

lists=()
for list in "$here"/packages/*.txt; do
    [ "$(basename "$list")" = windows.txt ] || lists+=("$list")
done
[ "${1:-}" != "--windows" ] || lists+=("$here/packages/windows.txt")

wanted=$(sed -e 's/#.*//' "${lists[@]}" | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for package in $wanted; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
# Another install running at the same time (a second build, the package manager's own timer)
# holds dpkg's lock: wait for it instead of failing.
wait_for_lock=(-o DPkg::Lock::Timeout=900)
"${as_root[@]}" apt-get "${wait_for_lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get "${wait_for_lock[@]}" install -y -qq "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian package in a throwaway Debian 12 root as on a fresh machine, tries the
# installed programs and removes the package again (packaging/installed-test.sh does that inside
# the root). Needs root (it asks sudo) and a Debian mirror.
# Usage: scripts/test-install.sh [PACKAGE.deb]   (default: the one scripts/package.sh makes)
# The base root (debootstrap, a few minutes the first time) and the packages apt downloads are
# kept in root's ~/.cache/agendix/; delete that folder to start afresh.
# AGENDIX_DEBIAN_MIRROR chooses the mirror (default http://deb.debian.org/debian).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -eq 0 ]; then
    "$top/scripts/package.sh"
    set -- "$(ls -t "$top"/build/agendix_*.deb | sed -n 1p)"
fi
deb=$(realpath "$1")
if [ "$(id -u)" -ne 0 ]; then
    exec sudo AGENDIX_DEBIAN_MIRROR="${AGENDIX_DEBIAN_MIRROR:-}" "$0" "$deb"
fi

mirror=${AGENDIX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache="${XDG_CACHE_HOME:-$HOME/.cache}/agendix"
base="$cache/bookworm-minbase-$(dpkg --print-architecture).tar"
archives="$cache/apt-archives"
mkdir -p "$archives/partial"
rm -f "$archives"/agendix_*.deb  # apt keeps a copy of the package it installed
if [ ! -f "$base" ]; then
    echo "Making the base root with debootstrap from $mirror (once; kept in $base)"
    bootstrap=$(mktemp -d)
    # In a mount namespace of its own, so that no mount debootstrap leaves outlives it.
    if unshare --mount debootstrap --variant=minbase bookworm "$bootstrap" "$mirror" \
        >"$cache/debootstrap.log"; then
        tar -C "$bootstrap" -cf "$base.partial" . && mv "$base.partial" "$base"
    fi
    rm -rf "$bootstrap"
    [ -f "$base" ] || { echo "debootstrap failed, see $cache/debootstrap.log" >&2; exit 1; }
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
tar -C "$root" -xf "$base"
chmod 755 "$root"  # the chroot's "/", for apt's and the test user's processes
cp "$deb" "$root/tmp/agendix.deb"
cp "$top/packaging/installed-test.sh" "$root/tmp/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The mounts live in a private mount namespace: they end with it, before the root is deleted.
unshare --mount --pid --fork --mount-proc="$root/proc" /bin/sh -c '
    mount --rbind /dev "$1/dev" &&
    mount --bind "$2" "$1/var/cache/apt/archives" &&
    exec chroot "$1" /bin/bash /tmp/installed-test.sh /tmp/agendix.deb' sh "$root" "$archives"

#!/usr/bin/env bash
# Checks a built Debian package of Agendix: it holds exactly the expected files, all under /usr
# and none naming the source or build folder; its dependencies were found from the libraries the
# programs link; its change log and AppStream release name its version; the manual page of
# agendix-agenda describes all of its options; and the installed AppStream metadata, menu entry
# and icons fit together.
# Usage: check-package.sh PACKAGE.deb SOURCE_DIR BUILD_DIR
set -euo pipefail
deb=$1
source_dir=$2
build_dir=$3

failures=0
fail() {
    echo "$deb: $*" >&2
    failures=$((failures + 1))
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

expected=$(sort <<'EOF_FILES'
/usr/bin/agendix
/usr/bin/agendix-agenda
/usr/libexec/agendix/agendix-agenda-follow
/usr/share/applications/agendix.desktop
/usr/share/metainfo/org.example.agendix.metainfo.xml
/usr/share/icons/hicolor/16x16/apps/agendix.png
/usr/share/icons/hicolor/22x22/apps/agendix.png
/usr/share/icons/hicolor/24x24/apps/agendix.png
/usr/share/icons/hicolor/32x32/apps/agendix.png
/usr/share/icons/hicolor/48x48/apps/agendix.png
/usr/share/icons/hicolor/64x64/apps/agendix.png
/usr/share/icons/hicolor/128x128/apps/agendix.png
/usr/share/icons/hicolor/256x256/apps/agendix.png
/usr/share/icons/hicolor/scalable/apps/agendix.svg
/usr/share/icons/hicolor/symbolic/apps/agendix-symbolic.svg
/usr/share/man/man1/agendix.1.gz
/usr/share/man/man1/agendix-agenda.1.gz
/usr/share/doc/agendix/copyright
/usr/share/doc/agendix/changelog.gz
EOF_FILES
)
actual=$(cd "$root" && find . ! -type d | sed 's/^\.//' | sort)
if [ "$actual" != "$expected" ]; then
    fail "the files differ from the expected ones (< missing, > not expected):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2 || true
fi
[ ! -e "$root/usr/local" ] || fail "installs into /usr/local"
if built_in=$(grep -rlF -e "$source_dir" -e "$build_dir" "$root"); then
    fail "files name the source or build folder: $(echo "${built_in//$root/}" | tr '\n' ' ')"
fi

# dpkg-shlibdeps found the libraries the programs link; nothing for building is asked for.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libical3 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 \
    libqt6network6; do
    [[ ", $depends," == *", $library"[[:space:],]* ]] || fail "Depends lacks $library: $depends"
done
[[ "$depends" != *-dev* ]] || fail "Depends names a development package: $depends"
[ "$(dpkg-deb -f "$deb" Recommends)" = xdg-utils ] || fail "Recommends is not xdg-utils"

version=$(dpkg-deb -f "$deb" Version)
changelog=$(zcat "$root/usr/share/doc/agendix/changelog.gz" | sed -n 1p)
[[ "$changelog" == "agendix ($version) "* ]] ||
    fail "the change log's latest entry is not for $version: $changelog"
metainfo="$root/usr/share/metainfo/org.example.agendix.metainfo.xml"
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the AppStream metadata has no release $version"

# The manual page describes every option the command's help names (roff writes - as \-).
manual=$(zcat "$root/usr/share/man/man1/agendix-agenda.1.gz")
for option in $("$root/usr/bin/agendix-agenda" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -F -- "${option//-/\\-}" <<<"$manual" >/dev/null ||
        fail "the manual page of agendix-agenda does not describe $option"
done

# The metadata names the installed menu entry, whose icon is installed.
appstreamcli validate-tree --no-net "$root" >&2 || fail "appstreamcli validate-tree failed"

[ "$failures" -eq 0 ] || exit 1
echo "$deb: $(echo "$actual" | wc -l) files, Depends: $depends"

#!/bin/bash
# Run by scripts/test-install.sh as root inside a throwaway Debian root: installs the package
# with apt, runs agendix-agenda and the menu entry's command as a user, removes the package and
# checks that every file it installed is gone while the user's settings stay.
# Usage: installed-test.sh PACKAGE.deb
set -euo pipefail
deb=$1
export DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes LC_ALL=C.UTF-8
export PATH=/usr/sbin:/usr/bin:/sbin:/bin

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

apt-get update -qq
apt-get install -y -qq "$deb" >/dev/null
mapfile -t installed < <(dpkg-query -L agendix | grep -vx '/\.')
echo "installed: ${#installed[@]} paths, Depends: $(dpkg-query -W -f='${Depends}' agendix)"

useradd --create-home user
as_user() {
    runuser -u user -- env -i HOME=/home/user PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
        XDG_RUNTIME_DIR=/home/user/run "$@"
}
as_user mkdir -m 700 /home/user/run

as_user agendix-agenda --help | grep '^Usage: agendix-agenda' >/dev/null ||
    fail "agendix-agenda --help printed no usage"
printf '%s\r\n' BEGIN:VCALENDAR VERSION:2.0 PRODID:-//agendix//test//EN BEGIN:VEVENT UID:review \
    DTSTAMP:20260101T000000Z DTSTART:20260105T090000 DTEND:20260105T103000 SUMMARY:Review \
    'LOCATION:Room 2' END:VEVENT END:VCALENDAR >/tmp/calendar.ics
as_user agendix-agenda --calendar /tmp/calendar.ics --date 2026-01-05 |
    grep -F '[09:00 - 10:30] Review (Room 2)' >/dev/null ||
    fail "agendix-agenda did not list the calendar's appointment"
# --follow is a program of its own under libexec: the installed command must find it.
as_user timeout 10 agendix-agenda --calendar /tmp/calendar.ics --json --follow | head -n1 |
    grep '"class"' >/dev/null || fail "agendix-agenda --json --follow printed no status"

# The menu entry's command starts the program; without a display it runs on Qt's offscreen
# platform and keeps running until the time limit ends it with SIGTERM (status 124).
menu_command=$(sed -n 's/^Exec=//p' /usr/share/applications/agendix.desktop)
status=0
as_user QT_QPA_PLATFORM=offscreen timeout --kill-after=5 5 "$menu_command" || status=$?
[ "$status" -eq 124 ] || fail "'$menu_command' from the menu entry ended with status $status"
[ -f /home/user/.config/agendix/agendix.ini ] || fail "the program saved no settings"

apt-get remove -y -qq agendix >/dev/null
for path in "${installed[@]}"; do
    # Folders other packages share stay; anything else the package brought must be gone.
    if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
        fail "left behind after removal: $path"
    fi
done
[ -f /home/user/.config/agendix/agendix.ini ] || fail "removal took the user's settings"

[ "$failures" -eq 0 ] || exit 1
echo "Installed, ran and removed $(basename "$deb") cleanly."

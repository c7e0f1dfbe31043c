#!/usr/bin/env bash
# Installs Agendix silently into a fresh Wine prefix, checks the files, the Start-menu entry, the
# uninstall entry and that the installed command runs; installs again over a running copy, which
# must end; then uninstalls silently, again while the program runs, and checks that the program
# ended and the files, the entries and the start-at-log-in value are gone.
# Runs in a desktop session (testing/desktop-session.sh), which the program needs.
# Usage: installer-test.sh WINE64 SETUP_EXE PREFIX_DIR
set -euo pipefail
wine=$1 setup=$2
export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
"$wine" wineboot --init 2>/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
unix_path() { "$wine" winepath.exe -u "$1" 2>/dev/null | tr -d '\r'; }
windows_folder() { "$wine" cmd.exe /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
has_key() { "$wine" reg.exe query "$1" >/dev/null 2>&1; }
has_value() { "$wine" reg.exe query "$1" /v "$2" >/dev/null 2>&1; }

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Agendix'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
install_dir=$(unix_path "$(windows_folder LOCALAPPDATA)\\Programs\\Agendix")
shortcut=$(unix_path "$(windows_folder APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Agendix.lnk")

"$wine" "$setup" /S || fail "the installer failed"
for file in agendix.exe agendix-agenda.exe uninstall.exe; do
    [ -f "$install_dir/$file" ] || fail "$install_dir/$file was not installed"
done
[ -f "$shortcut" ] || fail "no Start-menu entry $shortcut"
has_key "$uninstall_key" || fail "no uninstall entry"
"$wine" "$install_dir/agendix-agenda.exe" --help >/dev/null || fail "the installed command does not run"

# The program, started from its installed place, once its options window (titled "»", shown or
# hidden) is there; whether a copy of it runs.
start_program() {
    "$wine" "$install_dir/agendix.exe" >/dev/null 2>&1 &
    for _ in $(seq 60); do
        running && xdotool search --name '^»$' >/dev/null 2>&1 && return
        sleep 0.5
    done
    fail "the installed program did not start"
}
running() { pgrep -f 'Programs.Agendix.agendix\.exe' >/dev/null; }
program_ended() {
    for _ in $(seq 40); do
        running || return 0
        sleep 0.5
    done
    return 1
}

# Installing again over a running copy ends it and replaces the files.
start_program
"$wine" "$setup" /S || fail "installing over a running copy failed"
program_ended || fail "installing left the running copy running"
start_program

# The program's start-at-log-in value, as the option writes it.
"$wine" reg.exe add "$run_key" /v Agendix /d "C:\\somewhere\\agendix.exe" /f >/dev/null
"$wine" "$install_dir/uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller works from a copy of itself and returns at once.
for _ in $(seq 60); do
    [ -e "$install_dir" ] || break
    sleep 0.5
done
program_ended || fail "uninstalling left the running copy running"
[ ! -e "$install_dir" ] || fail "$install_dir is still there: $(ls "$install_dir")"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
! has_key "$uninstall_key" || fail "the uninstall entry is still there"
! has_value "$run_key" Agendix || fail "the start-at-log-in value is still there"
echo "installed into $install_dir and uninstalled"

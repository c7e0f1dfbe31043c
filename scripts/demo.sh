#!/usr/bin/env bash
# Runs Agendix once in the headless desktop that testing/desktop-session.sh provides, with a
# demonstration calendar in the session's private home, and prints the balloon it showed.
# Usage (inside the session): scripts/demo.sh PROGRAM
set -euo pipefail
program=$1

today=$(date +%Y%m%d)
tomorrow=$(date -d tomorrow +%Y%m%d)
event() {  # uid day start end summary location
    printf 'BEGIN:VEVENT\r\nUID:%s\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:%sT%s00\r\nDTEND:%sT%s00\r\nSUMMARY:%s\r\nLOCATION:%s\r\nEND:VEVENT\r\n' \
        "$1" "$2" "$3" "$2" "$4" "$5" "$6"
}
mkdir -p "$XDG_DATA_HOME/agendix"
{
    printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//agendix//demo//EN\r\n'
    event standup "$today" 0915 0930 "Team stand-up" "Room 2"
    event review "$today" 1400 1530 "Design review" "Library"
    event dentist "$tomorrow" 0800 0845 "Dentist" "Main Street 12"
    printf 'BEGIN:VEVENT\r\nUID:weekly\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20240105T170000\r\nDTEND:20240105T173000\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Plan tomorrow\r\nLOCATION:\r\nEND:VEVENT\r\n'
    printf 'END:VCALENDAR\r\n'
} >"$XDG_DATA_HOME/agendix/calendar.ics"

"$program" &
agendix=$!
trap 'kill "$agendix" 2>/dev/null; wait "$agendix" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ "$(dunstctl count displayed)" -ge 1 ] && break
    sleep 0.1
done
sleep 0.5
dunstctl close-all
sleep 0.3
dunstctl history | python3 -c '
import json, sys
entries = json.load(sys.stdin)["data"][0]
if not entries:
    sys.exit("Agendix showed no balloon")
latest = entries[0]
print("The balloon showed:\n")
print(latest["summary"]["data"])
print(latest["body"]["data"])'

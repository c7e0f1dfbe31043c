#!/usr/bin/env bash
# Writes expected/DATE.txt: what the Linux program's agendix-agenda prints for calendar.ics on
# each test day (the balloon title, a line end, then the appointment text). The Windows test
# compares the scan over the stand-in automation server, which holds the same calendar, with it.
# Usage: make-expected.sh LINUX_AGENDIX_AGENDA
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/expected"
for day in 2027-03-01 2027-03-02 2027-03-03 2027-03-04 2027-03-06 2027-03-08; do
    "$1" --calendar "$here/calendar.ics" --date "$day" --tomorrow >"$here/expected/$day.txt"
done

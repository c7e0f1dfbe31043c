#!/usr/bin/env bash
# Benchmarks the calendar service source (Evolution Data Server) against a private service: a
# session bus of its own (dbus-run-session), private HOME and XDG folders, and a local calendar
# of 1,000 generated events (a tenth of them recurring series) seeded before the service starts.
# The service is started and the calendar opened once first (by agendix-agenda, whose time is the
# cold start), so the figures are those of a running service. Then scan_eds_benchmark reports:
#   - making the source and each AppointmentScan::doIt reading its snapshot, on the UI thread;
#   - the service's own instance query of the five days the worker keeps, by a second client;
#   - change → rescanned tray text for 20 changes (add, move, move, delete) of today's events;
#   - the longest gap between ticks of a 1 ms precise timer on the UI thread while the source
#     connects and loads, and while it handles the changes (target: under 16 ms), beside the
#     gaps of the timer alone, which show what the machine itself adds.
# Usage: bench-eds.sh BUILD_DIR [EVENTS]   (a RelWithDebInfo or Release build; default 1000)
set -euo pipefail
build=$(cd "${1:?usage: bench-eds.sh BUILD_DIR [EVENTS]}" && pwd)
events=${2:-1000}
find_program() { find "$build" -name "$1" -type f -perm -u+x | head -n1; }
agenda=$(find_program agendix-agenda)
generate=$(find_program agendix-generate-calendar)
benchmark=$(find_program scan_eds_benchmark)
for tool in "$agenda" "$generate" "$benchmark"; do
    if [ -z "$tool" ]; then
        echo "bench-eds.sh: build agendix-agenda, agendix-generate-calendar and" \
            "scan_eds_benchmark in $build first" >&2
        exit 1
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run" GSETTINGS_BACKEND=keyfile
mkdir -p "$HOME" "$XDG_CONFIG_HOME/evolution/sources" "$XDG_DATA_HOME/evolution/calendar/bench"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/evolution/sources/bench.source" <<'SOURCE'
[Data Source]
DisplayName=Bench
Enabled=true
Parent=local-stub

[Calendar]
BackendName=local
SOURCE
"$generate" "$events" "$XDG_DATA_HOME/evolution/calendar/bench/calendar.ics"
unset DBUS_SESSION_BUS_ADDRESS

dbus-run-session -- bash -c '
    set -e
    start=$(date +%s%N)
    "$1" --calendar eds:bench --tomorrow >/dev/null
    took() { echo $((($(date +%s%N) - start) / 1000000)); }
    echo "cold start (service started, calendar opened, one scan): $(took) ms"
    start=$(date +%s%N)
    "$1" --calendar eds:bench --tomorrow >/dev/null
    echo "agendix-agenda with the service running: $(took) ms"
    echo "calendar: $3 generated events"
    "$2" bench 20
' bench "$agenda" "$benchmark" "$events"

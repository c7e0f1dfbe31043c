#!/usr/bin/env bash
# Times whole agendix-agenda runs (one cold scan of today and tomorrow) over generated calendars
# beside libical merely parsing the same files, with the peak memory of each, best of three: one
# file of 1,000, 10,000 and 50,000 events, and folders of one file per event of 1,000 and 10,000
# events (the same events). The empty folder shows what a run costs before any calendar. Then
# the in-process figures of scan_benchmark: cold scans, rescans of the unchanged calendars
# and of a folder with one file rewritten, and libical's parse.
# Usage: bench-agenda.sh BUILD_DIR   (a RelWithDebInfo or Release build)
set -euo pipefail
build=$(cd "${1:?usage: bench-agenda.sh BUILD_DIR}" && pwd)
find_program() { find "$build" -name "$1" -type f -perm -u+x | head -n1; }
agenda=$(find_program agendix-agenda)
generate=$(find_program agendix-generate-calendar)
benchmark=$(find_program scan_benchmark)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {  # best of three: "milliseconds peak-KB"
    for _ in 1 2 3; do
        local start end
        start=$(date +%s%N)
        /usr/bin/time -f '%M' -o "$work/memory" "$@" >/dev/null
        end=$(date +%s%N)
        echo "$(((end - start) / 1000000)) $(cat "$work/memory")"
    done | sort -n | head -n1
}

row() {  # row KIND EVENTS PATH
    read -r parse_ms parse_kb < <(best "$generate" --parse "$3")
    read -r scan_ms scan_kb < <(best "$agenda" --calendar "$3" --date 2026-12-07 --tomorrow)
    printf '%-6s %6d  %7d ms %7d KB  %7d ms %7d KB  %s\n' "$1" "$2" "$parse_ms" "$parse_kb" \
        "$scan_ms" "$scan_kb" \
        "$(awk -v a="$scan_ms" -v b="$parse_ms" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
}

printf '%-13s  %20s  %20s  %s\n' calendar "libical parse" "agendix-agenda" "time scan/parse"
mkdir "$work/empty"
row folder 0 "$work/empty"
for events in 1000 10000 50000; do
    "$generate" "$events" "$work/calendar-$events.ics"
    row file "$events" "$work/calendar-$events.ics"
done
for events in 1000 10000; do
    "$generate" --folder "$events" "$work/folder-$events"
    row folder "$events" "$work/folder-$events"
done

echo
"$benchmark" --benchmark_filter='BM_(LibicalParse|ColdScan|Rescan)' --benchmark_min_time=0.5

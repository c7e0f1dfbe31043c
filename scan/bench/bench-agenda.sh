#!/usr/bin/env bash
# Times whole agendix-agenda runs (one cold scan of today and tomorrow) over generated calendars
# of 1,000, 10,000 and 50,000 events, beside libical merely parsing the same file, with the
# peak memory of each. Best of three runs.
# Usage: bench-agenda.sh BUILD_DIR   (a RelWithDebInfo or Release build)
set -euo pipefail
build=$(cd "${1:?usage: bench-agenda.sh BUILD_DIR}" && pwd)
agenda=$(find "$build" -name agendix-agenda -type f -perm -u+x | head -n1)
generate=$(find "$build" -name agendix-generate-calendar -type f -perm -u+x | head -n1)
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

printf '%8s  %20s  %20s  %s\n' events "libical parse" "agendix-agenda" "time scan/parse"
for events in 1000 10000 50000; do
    file="$work/calendar-$events.ics"
    "$generate" "$events" "$file"
    read -r parse_ms parse_kb < <(best "$generate" --parse "$file")
    read -r scan_ms scan_kb < <(best "$agenda" --calendar "$file" --date 2026-12-07 --tomorrow)
    printf '%8d  %7d ms %7d KB  %7d ms %7d KB  %s\n' "$events" "$parse_ms" "$parse_kb" "$scan_ms" \
        "$scan_kb" "$(awk -v a="$scan_ms" -v b="$parse_ms" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
done

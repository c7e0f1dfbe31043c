#!/usr/bin/env bash
# Builds the iCalendar fuzz target with clang (libFuzzer, AddressSanitizer, UBSan) and runs it.
# Usage: run-fuzzer.sh WORK_DIR [SECONDS]   (seed corpus: the layer's test calendars)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scan="$here/.."
work=$1
seconds=${2:-20}
mkdir -p "$work/corpus" "$work/findings"

sources=("$here/IcalFuzzer.cpp" "$scan"/core/*.cpp "$scan"/linux/*.cpp "$scan"/../common/linux/*.cpp)
binary="$work/ical-fuzzer"
if [ ! -x "$binary" ] || [ -n "$(find "${sources[@]}" "$scan"/core/*.h "$scan"/linux/*.h "$scan"/../common/*/*.h -newer "$binary")" ]; then
    # shellcheck disable=SC2046
    clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -I"$scan/.." $(pkg-config --cflags libical libecal-2.0) \
        "${sources[@]}" $(pkg-config --libs libical libecal-2.0) -o "$binary"
fi

find "$scan/tests/data" -name '*.ics' -exec cp {} "$work/corpus/" \;
cd "$work/findings"
TZ=Europe/Berlin "$binary" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -rss_limit_mb=1024 -print_final_stats=1 "$work/corpus"

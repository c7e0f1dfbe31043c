#!/usr/bin/env bash
# Installs what Agendix needs, builds it and runs every test with ctest.
# Usage: scripts/test.sh [--sanitize | --windows]
#   --sanitize: AddressSanitizer and UBSan build in build-sanitize/
#   --windows:  the Windows cross build in build-windows/ (or $AGENDIX_WINDOWS_BUILD), its tests
#               run under Wine
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = "--windows" ]; then
    "$top/scripts/build-windows.sh"
    build_dir="${AGENDIX_WINDOWS_BUILD:-$top/build-windows}"
    # A Wine prefix of the build's own, made afresh for each run: no state of an earlier run or of
    # the user's own Wine counts. No debug output, and no question for the .NET and HTML engines.
    export WINEPREFIX="$build_dir/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # One wine server for the whole run (-p: it stays when a program ends), so that each test
    # program starts in a fraction of a second instead of seconds; stopped however the run ends.
    wineserver -p
    trap 'wineserver -k 2>/dev/null || true' EXIT
    # Debian's wine64 is a fixed-address loader without Wine's preloader, and the kernel puts its
    # heap anywhere in the gigabyte above it. About one start in a few thousand the heap lands on
    # the memory Wine keeps for itself below 0x7fff0000, and the program dies before main()
    # ("failed to map the shared user data"). Without address randomisation every Wine program
    # (ctest's, the end-to-end tests' and those they start) has its heap right after the loader.
    no_randomize=(setarch "$(uname -m)" --addr-no-randomize)
    "${no_randomize[@]}" /usr/lib/wine/wine64 wineboot --init 2>/dev/null
    cd "$build_dir"
    "${no_randomize[@]}" ctest --output-on-failure --timeout 600 -j "$(nproc)"
    exit
fi

"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$@"
build_dir="$top/build"
if [ "${1:-}" = "--sanitize" ]; then
    build_dir="$top/build-sanitize"
    export LSAN_OPTIONS="suppressions=$top/scripts/lsan-suppressions.txt:print_suppressions=0"
fi
cd "$build_dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)"

#!/usr/bin/env bash
# Installs what Agendix needs, builds it and runs every test with ctest.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer and UBSan build in build-sanitize/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$@"
build_dir="$top/build"
if [ "${1:-}" = "--sanitize" ]; then
    build_dir="$top/build-sanitize"
    export LSAN_OPTIONS="suppressions=$top/scripts/lsan-suppressions.txt:print_suppressions=0"
fi
cd "$build_dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)"

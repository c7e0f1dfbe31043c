#!/usr/bin/env bash
# Installs what Agendix needs, builds it and runs every test with ctest.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer and UBSan build in build-sanitize/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$@"
build_dir="$top/build"
[ "${1:-}" = "--sanitize" ] && build_dir="$top/build-sanitize"
cd "$build_dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)"

#!/usr/bin/env bash
# Configures and builds Agendix. Usage: scripts/build.sh [--sanitize]
# The plain build goes to build/, the AddressSanitizer+UBSan build to build-sanitize/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

build_dir="$top/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir="$top/build-sanitize"
    options=(-DCMAKE_BUILD_TYPE=Debug -DAGENDIX_SANITIZE=ON)
fi
cmake -S "$top" -B "$build_dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

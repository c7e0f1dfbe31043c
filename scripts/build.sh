#!/usr/bin/env bash
# Configures and builds Agendix, treating compiler warnings as errors.
# Usage: scripts/build.sh [--sanitize] [TARGET...]   (no target: everything, tests included)
# The plain build goes to build/, the AddressSanitizer+UBSan build to build-sanitize/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

build_dir="$top/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    shift
    build_dir="$top/build-sanitize"
    options=(-DCMAKE_BUILD_TYPE=Debug -DAGENDIX_SANITIZE=ON)
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake -S "$top" -B "$build_dir" -G Ninja "${options[@]}" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"

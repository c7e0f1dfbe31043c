#!/usr/bin/env bash
# Cross-builds the Windows program's libraries and their tests with mingw-w64 into build-windows/,
# treating compiler warnings as errors, after installing the cross compiler, GoogleTest's sources
# and Wine. The tests run under Wine: scripts/test.sh --windows.
# Usage: scripts/build-windows.sh [TARGET...]   (no target: everything, tests included)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$top/build-windows"

"$top/scripts/install-deps.sh" --windows
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build_dir" --parallel "${AGENDIX_JOBS:-$(nproc)}" "${targets[@]}"

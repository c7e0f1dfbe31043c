#!/usr/bin/env bash
# Cross-builds the Windows program (agendix.exe), agendix-agenda.exe, their tests and the installer
# (agendix-VERSION-setup.exe, NSIS) with mingw-w64 into build-windows/, treating compiler warnings
# as errors, after installing the cross compiler, GoogleTest's sources, NSIS and Wine. The tests
# run under Wine: scripts/test.sh --windows.
# Usage: scripts/build-windows.sh [TARGET...]   (no target: everything, tests included)
# AGENDIX_WINDOWS_BUILD names another build folder, AGENDIX_JOBS the number of parallel jobs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir="${AGENDIX_WINDOWS_BUILD:-$top/build-windows}"

"$top/scripts/install-deps.sh" --windows
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build_dir" --parallel "${AGENDIX_JOBS:-$(nproc)}" "${targets[@]}"

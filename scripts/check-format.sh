#!/usr/bin/env bash
# Fails, listing the files, when clang-format would change a C++ source file of the project.
# Usage: scripts/check-format.sh [clang-format]   (run with --fix as the only argument to reformat)
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=clang-format
fix=false
case "${1:-}" in
    --fix) fix=true ;;
    "") ;;
    *) clang_format=$1 ;;
esac

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ ${#files[@]} -gt 0 ] || { echo "no C++ files found"; exit 1; }
if $fix; then
    "$clang_format" -i "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    "$clang_format" --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'Not formatted (run scripts/check-format.sh --fix):\n' >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "${#files[@]} files formatted"

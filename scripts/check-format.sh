#!/usr/bin/env bash
# Checks (or, with --fix, applies) the layout of .clang-format on every C and C++ source of the
# code folders. make test runs the check, so style cannot drift from one change to the next.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=0
if [ "${1:-}" = "--fix" ]; then
    fix=1
fi

formatter="${CLANG_FORMAT:-clang-format}"
if ! command -v "$formatter" >/dev/null 2>&1; then
    echo "check-format: $formatter not found (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

mapfile -d '' files < <(find src tools tests bench fuzz examples -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' -o -name '*.c' \) \
    -print0 2>/dev/null | sort -z)

if [ "$fix" -eq 1 ]; then
    printf '%s\0' "${files[@]}" | xargs -0 -r "$formatter" -i
    exit 0
fi

unformatted=()
for file in "${files[@]}"; do
    if ! "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "These files differ from the layout of .clang-format:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    echo "Run scripts/check-format.sh --fix (or cmake --build build --target format)." >&2
    exit 1
fi
echo "check-format: ${#files[@]} files follow .clang-format"

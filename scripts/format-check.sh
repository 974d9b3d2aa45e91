#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what .clang-format asks for. Generated data
# (tests/*/reference/, reference values written by a program) is left as it was written.
# scripts/format-check.sh --fix rewrites the files instead.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
command -v clang-format >/dev/null 2>&1 || bash scripts/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v -e '/node_modules/' -e '^tests/[^/]*/reference/')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    echo "format: ${#files[@]} files formatted"
    exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files follow .clang-format"

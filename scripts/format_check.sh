#!/usr/bin/env bash
# Fails when any C++ file of the repository differs from what clang-format writes.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
  echo "format check: no C++ files found (is this a git checkout?)" >&2
  exit 1
fi
"${CLANG_FORMAT:-clang-format}" --dry-run --Werror "${files[@]}"
echo "format check: ${#files[@]} files as clang-format writes them"

#!/usr/bin/env bash
# Fails, naming the files, when a C++ source has drifted from .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
drifted=()
while IFS= read -r -d '' f; do
  "$CLANG_FORMAT" --dry-run --Werror "$f" >/dev/null 2>&1 || drifted+=("$f")
done < <(find app bench editor import library mainwindow panels platform study tests \
           \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ ${#drifted[@]} -gt 0 ]; then
  echo "not formatted with .clang-format (run clang-format -i on them):"
  printf '  %s\n' "${drifted[@]}"
  exit 1
fi
echo "every source matches .clang-format"

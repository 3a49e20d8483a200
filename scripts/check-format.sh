#!/usr/bin/env bash
# Fails, naming the files, when a C++ source has drifted from the repository's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
style=$PWD/.clang-format
[ -f "$style" ] || { echo "check-format.sh: $style is missing" >&2; exit 1; }
# Every C++ source git keeps or would keep (untracked ones not ignored), in whatever folder; a
# copy that is not a git checkout falls back to every source outside the build folders.
list_sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h'
  else
    find . \( -path ./build -o -path './build-*' -o -path '*/node_modules' \) -prune -o \
      -type f \( -name '*.cpp' -o -name '*.h' \) -print0
  fi
}
drifted=()
while IFS= read -r -d '' f; do
  [ -f "$f" ] || continue # deleted in the working tree, not yet in the index
  "$CLANG_FORMAT" --style="file:$style" --dry-run --Werror "$f" >/dev/null 2>&1 || drifted+=("$f")
done < <(list_sources | sort -z)
if [ ${#drifted[@]} -gt 0 ]; then
  echo "not formatted with .clang-format (run clang-format -i on them):"
  printf '  %s\n' "${drifted[@]}"
  exit 1
fi
echo "every source matches .clang-format"

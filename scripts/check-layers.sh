#!/usr/bin/env bash
# Fails, naming the file, line and include, when a source includes a folder of a higher layer.
# Every target has the project root as include path, so the libraries alone would take any
# include; this is what keeps the layers. From the bottom:
#   0 library/ study/core/   1 import/ | srs/ (neither includes the other)   2 platform/
#   3 widgets/ seams/   4 panels/   5 study/   6 editor/   7 mainwindow/   8 app/
# A source may include its own group and any group of a lower layer. tests/ and bench/ may
# include anything; nothing layered includes them.
set -euo pipefail
cd "$(dirname "$0")/.."

# The group of a path and its layer ("group layer"), or nothing for an unlayered path.
group_of() {
  case "$1" in
    library/* | study/core/*) echo "core 0" ;;
    import/*) echo "import 1" ;;
    srs/*) echo "srs 1" ;;
    platform/*) echo "platform 2" ;;
    widgets/* | seams/*) echo "widgets 3" ;;
    panels/*) echo "panels 4" ;;
    study/*) echo "study 5" ;;
    editor/*) echo "editor 6" ;;
    mainwindow/*) echo "mainwindow 7" ;;
    app/*) echo "app 8" ;;
    tests/* | bench/*) echo "tests 9" ;;
  esac
}

# Every C++ source git keeps or would keep; a copy that is not a git checkout falls back to
# every source outside the build folders.
list_sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h'
  else
    find . \( -path ./build -o -path './build-*' \) -prune -o \
      -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sed -z 's|^\./||'
  fi
}

bad=0
checked=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue
  read -r from_group from_layer <<<"$(group_of "$file")" || true
  [ -n "${from_group:-}" ] || continue
  [ "$from_group" = tests ] && continue
  checked=$((checked + 1))
  while IFS=: read -r line included; do
    read -r to_group to_layer <<<"$(group_of "$included")" || true
    [ -n "${to_group:-}" ] || continue
    if [ "$to_group" != "$from_group" ] && [ "$to_layer" -ge "$from_layer" ]; then
      echo "$file:$line: includes \"$included\" ($to_group, layer $to_layer) from $from_group (layer $from_layer)"
      bad=$((bad + 1))
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/' || true)
done < <(list_sources | sort -z)

if [ "$bad" -gt 0 ]; then
  echo "$bad include(s) of a higher layer (see scripts/check-layers.sh for the order)"
  exit 1
fi
echo "every include keeps to the layers ($checked sources)"

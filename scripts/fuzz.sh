#!/usr/bin/env bash
# The fuzz targets of tests/fuzz, built with clang and sanitizers in a folder of their own.
#
#   scripts/fuzz.sh [MINUTES [NAME...]]
#                                   fuzzes every target (or those named) for MINUTES minutes
#                                   (default 5), one after the other; an input that fails is
#                                   added to the target's corpus, so the regression run keeps it
#   scripts/fuzz.sh --seconds SECONDS [NAME...]
#                                   the same for SECONDS seconds each (the CI's short run)
#   scripts/fuzz.sh --build         only builds the targets
#   scripts/fuzz.sh --regress NAME  runs target NAME once over its corpus (CTest does this)
#
# FUZZ_BUILD_DIR (default build/fuzz) is the build folder, FUZZ_CXX the clang++ to use.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-$ROOT/build/fuzz}
TARGETS=(outline record fonttext picture metafile import apkg)

# A target's corpus folders: the inputs kept for it, then the golden files it starts from.
# A folder git keeps no file in does not exist in a fresh clone: only existing ones are given.
corpora() {
  local d
  for d in "$ROOT/tests/fuzz/corpus/$1" \
    $(case $1 in outline | record) echo "$ROOT/tests/data/outline" ;; import) echo "$ROOT/tests/data/import" ;; apkg) echo "$ROOT/tests/data/import/apkg" ;; esac); do
    if [ -d "$d" ]; then echo "$d"; fi
  done
}

build() {
  local cxx=${FUZZ_CXX:-$(command -v clang++ || true)}
  if [ -z "$cxx" ]; then
    echo "fuzz.sh: clang++ not found (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
  if [ ! -f "$FUZZ_BUILD_DIR/build.ninja" ]; then
    cmake -S "$ROOT/tests/fuzz" -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
  fi
  cmake --build "$FUZZ_BUILD_DIR" -j "${JOBS:-$(nproc)}"
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/tests/fuzz/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen

case "${1:-}" in
--build)
  build
  exit 0
  ;;
--regress)
  name=${2:?usage: fuzz.sh --regress NAME}
  mapfile -t dirs < <(corpora "$name")
  exec "$FUZZ_BUILD_DIR/fuzz_$name" -runs=0 -timeout=30 "${dirs[@]}"
  ;;
esac

if [ "${1:-}" = --seconds ]; then
  seconds=${2:?usage: fuzz.sh --seconds SECONDS [NAME...]}
  shift 2
else
  seconds=$((${1:-5} * 60))
  if [ $# -gt 0 ]; then shift; fi
fi
if [ $# -gt 0 ]; then TARGETS=("$@"); fi
build
status=0
summary=()
for name in "${TARGETS[@]}"; do
  work="$FUZZ_BUILD_DIR/work/$name"
  crashes="$FUZZ_BUILD_DIR/crashes/$name"
  mkdir -p "$work" "$crashes"
  mapfile -t dirs < <(corpora "$name")
  log="$FUZZ_BUILD_DIR/$name.log"
  echo "== fuzz_$name for $seconds s (log $log)"
  set +e
  "$FUZZ_BUILD_DIR/fuzz_$name" "$work" "${dirs[@]}" -max_total_time="$seconds" \
    -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$crashes/" \
    >"$log" 2>&1
  code=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+' || true)
  line="fuzz_$name: ${runs:-?} inputs run in $seconds s, $last, exit $code"
  if [ $code -ne 0 ]; then
    status=1
    # Every input that ever failed stays in the corpus the regression run reads.
    for f in "$crashes"/*; do [ -f "$f" ] && cp "$f" "$ROOT/tests/fuzz/corpus/$name/"; done
    line+=" (failing input copied to tests/fuzz/corpus/$name)"
  fi
  echo "$line"
  summary+=("$line")
done
echo
printf '%s\n' "${summary[@]}"
exit $status

#!/usr/bin/env bash
# Follows the README's Install section in a fresh build folder: configure, build only the two
# programs, build the Debian package with CPack, and install with `cmake --install`; then
# lintian judges the package (no errors, no warnings). The folder is configured without the
# tests and benchmarks, so only what the programs need is compiled (with ccache when found).
# Usage: check-package.sh SOURCE_DIR WORK_DIR
# BRENVIK_BUILD_LOCK: a lock file every build step holds (machines shared by several builds).
set -euo pipefail
src=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
lock=()
if [ -n "${BRENVIK_BUILD_LOCK:-}" ]; then lock=(flock "$BRENVIK_BUILD_LOCK"); fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$(date +%s)
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRENVIK_BUILD_TESTS=OFF -DBRENVIK_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
"${lock[@]}" cmake --build "$work/build" -j "${JOBS:-2}" --target brenvik brenvik-tool >/dev/null
(cd "$work/build" && cpack -G DEB >/dev/null)
deb=$(ls "$work"/build/brenvik_*.deb)
echo "package: $deb"
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
for f in bin/brenvik bin/brenvik-tool share/man/man1/brenvik.1.gz share/man/man1/brenvik-tool.1.gz \
  share/doc/brenvik/copyright share/doc/brenvik/changelog.Debian.gz; do
  [ -f "$work/prefix/$f" ] || { echo "cmake --install left out $f"; exit 1; }
done
echo "build, package and install: $(( $(date +%s) - start )) s"
# Any error or warning fails; what lintian only mentions (I:, P:) does not.
out=$(lintian --fail-on error,warning "$deb" 2>&1) || { echo "$out"; exit 1; }
echo "$out"
echo "ok"

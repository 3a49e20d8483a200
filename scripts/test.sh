#!/usr/bin/env bash
# Installs what Brenvik needs, checks the sources' formatting and their includes against the
# layers (a drifted file or an include of a higher layer fails the run before anything is
# built), builds everything and runs every test headless, then fuzzes each fuzz
# target for a short, fixed time (half a minute each) where clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/check-format.sh
./scripts/check-layers.sh
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
(cd build && ctest --output-on-failure --timeout 300 -j "${JOBS:-$(nproc)}")
if command -v clang++ >/dev/null; then
  ./scripts/fuzz.sh --seconds "${FUZZ_SECONDS:-30}"
else
  echo "clang++ not found: the fuzz targets are not run"
fi

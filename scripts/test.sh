#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   --quick   only the unit tests of the normal build, for the edit-compile-test round
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[ "${1:-}" = "--quick" ] && quick=true

bash scripts/install-deps.sh
bash scripts/build.sh build
if $quick; then
  ctest --test-dir build --output-on-failure -j2 --timeout 300 -L unit
  exit 0
fi
ctest --test-dir build --output-on-failure -j2 --timeout 300
bash scripts/test-install.sh

# Hardening: the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, each
# fuzz target for FUZZ_SECONDS (default 60), and the Windows build: cross-built, then its unit
# tests and tavrinctl.exe on the simulator under Wine (about 4 minutes of it, most of it the
# cross-build). About 20 minutes on two cores.
bash scripts/sanitize.sh
FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash scripts/fuzz.sh
bash scripts/cross-build-win32.sh build/win32
timeout 600 bash scripts/test-wine.sh build/win32 build

#!/usr/bin/env bash
# Builds TAVRIN Controller and starts it on the recorder simulator (COM2 = the simulator's terminal).
# With a real recorder, start build/src/tavrin-controller instead; see the README for TAVRIN_COM<n>.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build

link=${TMPDIR:-/tmp}/tavrin-com2
build/src/tavrin-recorder-sim --link "$link" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under Xvfb (set DISPLAY to use your own screen)."
  TAVRIN_COM2="$link" xvfb-run -a build/src/tavrin-controller
else
  TAVRIN_COM2="$link" build/src/tavrin-controller
fi

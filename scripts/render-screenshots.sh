#!/usr/bin/env bash
# Draws the README's pictures in docs/ from the real windows, under the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target tavrin-render
QT_QPA_PLATFORM=offscreen "$dir/tools/render/tavrin-render" docs

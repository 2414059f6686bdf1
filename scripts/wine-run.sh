#!/bin/sh
# Runs a Windows program under the tests' Wine (see wine-env.sh), quietly and without a display;
# the exit status passes through. CMake's emulator for the Windows build's tests.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/wine-prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"

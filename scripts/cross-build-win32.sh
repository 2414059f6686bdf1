#!/usr/bin/env bash
# Cross-builds the core libraries, tavrinctl and the Win32 port probe for 64-bit Windows with mingw-w64
# (the Qt windows are not cross-built), into build/win32 or the folder given. Fails unless the
# probe really links the Win32 serial port and preset file code.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/win32}

cmake --preset windows -B "$dir"
cmake --build "$dir" -j 2 --target tavrin_app tavrin-port-probe tavrinctl

probe="$dir/tools/port-probe/tavrin-port-probe.exe"
imports=$(x86_64-w64-mingw32-objdump -p "$probe")
for call in CreateFileA GetCommState SetCommState SetCommTimeouts EscapeCommFunction PurgeComm ClearCommError \
            ReadFile WriteFile GetTempFileNameW FlushFileBuffers MoveFileExW; do
  if ! grep -qw "$call" <<<"$imports"; then
    echo "cross-build: $probe does not import $call: the Win32 backends are not linked" >&2
    exit 1
  fi
done
echo "cross-build: $probe links the Win32 serial port and preset file backends"

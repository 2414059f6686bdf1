#!/usr/bin/env bash
# Cross-builds the core libraries, tavrinctl, the Win32 port probe and the core's unit tests for
# 64-bit Windows with mingw-w64 (the Qt windows are not cross-built), into build/win32 or the
# folder given, and packs tavrinctl.exe, the README and the licence into
# tavrinctl-<version>-windows-x86_64.zip there. Fails unless the probe really links the Win32
# serial port and preset file code, and unless tavrinctl.exe needs no DLL beyond Windows' own.
# scripts/test-wine.sh runs the result under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/win32}

cmake --preset windows -B "$dir"
cmake --build "$dir" -j 2

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

# Statically linked: KERNEL32 and the system's C runtime only, no libstdc++ or winpthread DLL.
exe="$dir/src/tavrinctl.exe"
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort |
       tr '\n' ' ')
if [ "$dlls" != "kernel32.dll msvcrt.dll " ]; then
  echo "cross-build: $exe imports $dlls; only kernel32.dll and msvcrt.dll may be needed" >&2
  exit 1
fi

(cd "$dir" && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
zip="$dir/tavrinctl-$version-windows-x86_64.zip"
top="tavrinctl-$version-windows-x86_64"
contents=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
if [ "$contents" != "$top/LICENSE $top/README.md $top/tavrinctl.exe " ]; then
  echo "cross-build: $zip holds $contents" >&2
  exit 1
fi
echo "cross-build: $zip (tavrinctl.exe, README.md, LICENSE)"

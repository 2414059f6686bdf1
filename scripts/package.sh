#!/usr/bin/env bash
# Builds the Debian package: a Release build with Debian's compiler and linker flags (hardening
# included) into build/package, or the folder given, then `cpack -G DEB` there. Prints the path
# of the .deb (tavrin-controller_<version>_<architecture>.deb) as its only line on standard
# output; the build's own output goes to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/package}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$dir" -j 2 >&2
(cd "$dir" && cpack -G DEB) >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
deb="$dir/tavrin-controller_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "package: cpack made no $deb" >&2; exit 1; }
echo "$deb"

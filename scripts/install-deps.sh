#!/usr/bin/env bash
# Installs what building and testing TAVRIN Controller needs, from Debian 12's packages only.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev fonts-dejavu-core
  libgensio-dev libwrap0-dev ser2net
  libgtest-dev libgmock-dev
  clang-14 libclang-rt-14-dev
  mingw-w64 googletest wine unzip
  xvfb xauth
  locales
  librsvg2-bin
  dpkg-dev lintian desktop-file-utils appstream man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

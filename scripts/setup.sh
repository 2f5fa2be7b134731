#!/usr/bin/env bash
# Installs, from Debian's packages, what building, running and testing
# Lumivane need. Idempotent, and quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev libgmock-dev
  libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine64 xvfb xauth imagemagick fonts-wqy-zenhei fonts-wqy-microhei x11-utils
  iproute2 procps psmisc python3 zip unzip file
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
# No recommends: they would pull in 32-bit Wine, which cannot run here.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

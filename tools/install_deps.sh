#!/usr/bin/env bash
# Installs everything the build, the tests, the demonstration and the
# benchmarks need, from Debian's packages. The README and CI both call it.
set -euo pipefail
packages=(
  cmake ninja-build clang libclang-rt-14-dev
  libcurl4-openssl-dev librapidxml-dev libminizip-dev zlib1g-dev
  libgtest-dev
  python3 curl zip unzip binutils iproute2 util-linux
  binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

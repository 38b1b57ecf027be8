#!/usr/bin/env bash
# Installs everything the build, the tests, the demonstration and the
# benchmarks need, from Debian's packages: the one list that the README's
# commands and CI use. Usage: install_deps.sh [windows]
#   windows  also what the Windows build and its tests under Wine need: the
#            cross compiler, Wine, Xvfb, ImageMagick, a CJK font, the
#            zh_CN.UTF-8 locale, and Debian's source archive and the
#            autotools for build_windows_deps.sh. Does nothing that is
#            already done.
set -euo pipefail
packages=(
  cmake ninja-build clang libclang-rt-14-dev
  libcurl4-openssl-dev librapidxml-dev libminizip-dev zlib1g-dev libssl-dev libsodium-dev
  openssl
  libgtest-dev
  python3 curl zip unzip binutils iproute2 util-linux
  binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix
)
windows=0
if [ "${1:-}" = windows ]; then
  windows=1
  # Recommended packages stay: they bring what Wine's Schannel and its
  # windows need (gnutls, Xrender, Xrandr).
  packages+=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    wine wine64 xvfb xauth locales imagemagick fonts-wqy-microhei
    dpkg-dev make autoconf automake libtool
  )
fi

updated=0
source_list=/etc/apt/sources.list.d/updater-src.sources
if [ $windows = 1 ] && [ ! -e "$source_list" ]; then
  cat > "$source_list" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ $updated = 1 ] || apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

if [ $windows = 1 ] && ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

#!/usr/bin/env bash
# Installs what the Windows (mingw-w64) build and its Wine/Xvfb tests need on Debian 12:
# cross compilers, Wine, Xvfb, ImageMagick, CJK fonts, the zh_CN.UTF-8 locale and deb-src
# entries for `apt-get source`. Safe to rerun: it does nothing when all is in place.
set -euo pipefail

PKGS=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      libz-mingw-w64-dev wine wine64 xvfb xauth locales imagemagick fonts-wqy-microhei
      dpkg-dev make zip unzip python3)
SRC_LIST=/etc/apt/sources.list.d/updater-src.sources

installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${PKGS[@]}" 2>/dev/null | awk '$1=="ii"{print $2}')
missing=()
for p in "${PKGS[@]}"; do grep -qx -- "$p" <<<"$installed" || missing+=("$p"); done
updated=0
if [ ! -e "$SRC_LIST" ]; then
  cat > "$SRC_LIST" <<'EOF'
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
EOF
  apt-get update -q; updated=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  [ $updated = 1 ] || apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

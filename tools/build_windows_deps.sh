#!/usr/bin/env bash
# Builds static minizip, libcurl (HTTP/HTTPS via Schannel, IPv6, SSPI) and libsodium for
# x86_64-w64-mingw32 from Debian's source packages into OUT_DIR/{include,lib}; run
# "install_deps.sh windows" first.
# Usage: build_windows_deps.sh OUT_DIR   (a no-op once OUT_DIR/.deps-stamp matches this script)
set -euo pipefail

OUT=$(realpath -m "${1:?usage: $0 OUT_DIR}")
STAMP_ID="minizip+curl-schannel+sodium v2"   # change to force a rebuild
[ "$(cat "$OUT/.deps-stamp" 2>/dev/null)" = "$STAMP_ID" ] && exit 0

T=x86_64-w64-mingw32
SRC=$OUT/src
rm -rf "$SRC" "$OUT/.deps-stamp" "$OUT/lib" "$OUT/include"
mkdir -p "$SRC" "$OUT/lib" "$OUT/include/minizip" "$OUT/include/curl"
cd "$SRC"

# Newest source first; the security archive may not serve sources, so fall back to the release.
for p in zlib curl libsodium; do
  apt-get source -q --download-only "$p" > fetch.log 2>&1 ||
    apt-get source -q --download-only "$p/bookworm" > fetch.log 2>&1 || { cat fetch.log; exit 1; }
  dpkg-source -x "$(ls "$p"_*.dsc | head -n1)" > fetch.log 2>&1 || { cat fetch.log; exit 1; }
done

# minizip (reading only): Debian's zlib patches touch build files only, not these sources.
MZ=$(echo "$SRC"/zlib-*/contrib/minizip)
for f in unzip ioapi iowin32; do
  "$T-gcc-posix" -O2 -c "$MZ/$f.c" -o "$SRC/$f.o"
done
"$T-ar" rcs "$OUT/lib/libminizip.a" "$SRC"/{unzip,ioapi,iowin32}.o
cp "$MZ"/{unzip,ioapi,iowin32}.h "$OUT/include/minizip/"

# libcurl via lib/Makefile.mk. CPPFLAGS/CFLAGS/CC must come from the environment: set on the
# make command line they would override the makefile's own `+=`/`:=` additions.
CURL=$(echo "$SRC"/curl-*/)
mkdir -p "$CURL/lib/$T"
env CC=gcc-posix CROSSPREFIX="$T-" CFG=-schannel-ipv6-sspi CFLAGS="-O2 -w" \
    CPPFLAGS="-DHTTP_ONLY -DCURL_DISABLE_LDAP -DCURL_STATICLIB" \
    make -s -C "$CURL/lib" -f Makefile.mk -j2 libcurl.a
cp "$CURL/lib/libcurl.a" "$OUT/lib/"
cp "$CURL"/include/curl/*.h "$OUT/include/curl/"

# libsodium (static), for the Ed25519 check of signed manifests and the vendor's tool. Debian's
# source is a repository snapshot without a configure script: autoreconf makes it.
SODIUM=$(echo "$SRC"/libsodium-*/)
(cd "$SODIUM" && autoreconf -fi > "$SRC/sodium.log" 2>&1 && CC="$T-gcc-posix" CFLAGS="-O2" ./configure -q --host="$T" --prefix="$OUT" \
   --disable-shared --enable-static --disable-pie >> "$SRC/sodium.log" 2>&1 &&
 make -s -j2 install >> "$SRC/sodium.log" 2>&1) || { tail -n 30 "$SRC/sodium.log"; exit 1; }

cd "$OUT" && rm -rf "$SRC"
echo "$STAMP_ID" > "$OUT/.deps-stamp"

#!/usr/bin/env bash
# Configures and builds the Windows tree build-win/ with mingw-w64, after
# building minizip and libcurl from Debian's sources into build-win/deps
# (once; later runs reuse them). Usage: build_windows.sh [TARGET...]
# The Linux driver of the tests under Wine, build/tests/updater_wine_tests,
# is registered as a test of build-win when it has been built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=()
for t in "$@"; do targets+=(--target "$t"); done
bash "$root/tools/install_deps.sh" windows
bash "$root/tools/build_windows_deps.sh" "$root/build-win/deps"
cmake -S "$root" -B "$root/build-win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DUPDATER_WINDOWS_DEPS="$root/build-win/deps" \
  -DUPDATER_WINE_DRIVER="$root/build/tests/updater_wine_tests" >/dev/null
cmake --build "$root/build-win" -j "$(nproc)" "${targets[@]}"

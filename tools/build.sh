#!/usr/bin/env bash
# Configures and builds one Linux build tree with clang.
# Usage: build.sh DIR [SANITIZER [TARGET...]]
#   DIR        the build tree, relative to the repository (build, build-asan, ...)
#   SANITIZER  empty, address or thread: the whole tree is built with it
#   TARGET     what to build; everything when none is named
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
sanitizer=${2:-}
shift $(( $# < 2 ? $# : 2 ))
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S "$root" -B "$root/$dir" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DUPDATER_SANITIZER="$sanitizer" >/dev/null
cmake --build "$root/$dir" -j "$(nproc)" "${targets[@]}"

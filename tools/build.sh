#!/usr/bin/env bash
# Configures and builds the project into build/ with clang, so that the
# sanitizer variants and the fuzzers are part of the same build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install_deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build" -j "$(nproc)"

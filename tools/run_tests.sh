#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit tests, sanitizer
# variants, bounded fuzz runs and black-box tests of the real binary).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" --timeout 600

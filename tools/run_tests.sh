#!/usr/bin/env bash
# Builds and runs the whole test suite on both platforms: the plain Linux
# tree (unit tests, tests of the tools and black-box tests of the real
# binary), the AddressSanitizer tree (with bounded fuzz runs), the
# ThreadSanitizer tree, and the Windows tree under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install_deps.sh" windows
status=0
for tree in build: build-asan:address build-tsan:thread; do
  dir=${tree%%:*}
  sanitizer=${tree#*:}
  echo "== $dir ${sanitizer:-(plain)}"
  bash "$root/tools/build.sh" "$dir" "$sanitizer"
  # The plain tree's slow tests mostly wait (for hosts, stalled servers,
  # killed updaters), so twice as many as there are cores run at once.
  jobs=$(nproc)
  [ -n "$sanitizer" ] || jobs=$((2 * jobs))
  (cd "$root/$dir" && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1
done
echo "== build-win (Windows, under Wine)"
bash "$root/tools/run_windows_tests.sh" || status=1
exit $status

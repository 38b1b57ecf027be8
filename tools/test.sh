#!/usr/bin/env bash
# The inner loop: builds one test target in build/ and runs it the way the
# suite does (in namespaces of its own when it starts hosts or updaters, in
# all its shards), with only the tests that FILTER names when given.
# Usage: test.sh TARGET [FILTER]
#   TARGET  a test binary, e.g. engine_unittests or updater_blackbox_tests
#   FILTER  a GoogleTest filter, e.g. 'CommitTest.*'
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: test.sh TARGET [FILTER]}
bash "$root/tools/build.sh" build "" "$target"
cd "$root/build"
GTEST_FILTER=${2:-*} ctest --output-on-failure -R "^${target}(_[0-9]+)?\$"

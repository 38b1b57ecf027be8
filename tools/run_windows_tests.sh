#!/usr/bin/env bash
# Builds the Windows tree build-win/ and runs its tests under Wine, inside an
# X server of their own (without a display Wine makes no windows): the
# framework's tests, the checks of the Windows programs, and the black-box
# tests of updater.exe, whose driver is a Linux program from build/.
# Usage: run_windows_tests.sh [TEST...]
#   TEST  run only these tests (default: all of them)
# The exit code is ctest's (124 when the whole run timed out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")

bash "$root/tools/build.sh" build "" updater_wine_tests
bash "$root/tools/build_windows.sh"
# shellcheck source=wine_env.sh
source "$root/tools/wine_env.sh"

# Wine processes outlive the X server and keep the run from ending; the
# servers of this tree's prefixes are ended whatever happens (other
# prefixes are not touched).
end_wine() {
  wineserver -k 2>/dev/null || true
  WINEPREFIX=$UPDATER_SECOND_WINEPREFIX wineserver -k 2>/dev/null || true
}
trap end_wine EXIT

tests="."
[ ${#targets[@]} -eq 0 ] || tests="^($(IFS='|'; echo "${targets[*]}"))\$"
status=0
timeout 3600 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  bash -c '
    trap "wineserver -k 2>/dev/null || true
          WINEPREFIX=$UPDATER_SECOND_WINEPREFIX wineserver -k 2>/dev/null || true" EXIT
    # One server and one set of Wine services for all the tests, started
    # before the first of them.
    wineserver -p
    wine wineboot >/dev/null 2>&1
    cd "$1" && ctest --output-on-failure --timeout 600 -R "$2"
  ' run_windows_tests "$root/build-win" "$tests" || status=$?
exit $status

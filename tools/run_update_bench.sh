#!/usr/bin/env bash
# Runs bench/update for the Linux build and, beside it, for the Windows build
# under Wine, in an X server of its own (without a display Wine makes no
# windows). Builds what it runs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh" build "" update_bench
bash "$root/tools/build_windows.sh" updater demo_host
# shellcheck source=wine_env.sh
source "$root/tools/wine_env.sh"
trap 'wineserver -k 2>/dev/null || true' EXIT
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  bash -c '
    trap "wineserver -k 2>/dev/null || true" EXIT
    wineserver -p
    wine wineboot >/dev/null 2>&1
    UPDATER_WINDOWS_TREE="$1/build-win" "$1/build/bench/update/update_bench"
  ' run_update_bench "$root"

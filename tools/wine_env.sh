# Sourced by the scripts that run Windows programs under Wine: points Wine at
# the tree's own prefix, build-win/wineprefix, and creates that prefix the
# first time, and with it a second one, build-win/wineprefix2, for tests
# that need another desktop session (UPDATER_SECOND_WINEPREFIX). The Chinese
# locale makes the ANSI code page 936; without it Wine silently stays on
# 1252. Later runs reuse the prefixes (a stamp file says each is complete).
# Changes no shell options of the caller.

updater_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$updater_root/build-win/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET or Gecko installers, no menu entries on the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=zh_CN.UTF-8

# Change the stamp's text to make every tree build its prefixes anew.
updater_prefix_version="win64 zh_CN fonts desktop-1024x768 v1"

# Creates the Wine prefix $1 unless a complete one is there.
updater_make_prefix() {
  local prefix=$1
  local stamp="$prefix/.updater-prefix"
  [ "$(cat "$stamp" 2>/dev/null)" != "$updater_prefix_version" ] || return 0
  # A prefix left half-made by an interrupted run is not trusted.
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  echo "Creating the Wine prefix $prefix" >&2
  WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
  # Wine's own fonts, which the prefix does not get by itself.
  ln -sf /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
  # Windows open in one virtual desktop the size of the test screen.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
    >/dev/null 2>&1
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
    /d 1024x768 /f >/dev/null 2>&1
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
  echo "$updater_prefix_version" > "$stamp"
}

updater_make_prefix "$WINEPREFIX"
# A second prefix stands for another desktop session: its programs see none
# of the first prefix's named objects.
export UPDATER_SECOND_WINEPREFIX="$updater_root/build-win/wineprefix2"
updater_make_prefix "$UPDATER_SECOND_WINEPREFIX"

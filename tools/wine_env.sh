# Sourced by the scripts that run Windows programs under Wine: points Wine at
# the tree's own prefix, build-win/wineprefix, and creates that prefix the
# first time. The Chinese locale makes the ANSI code page 936; without it
# Wine silently stays on 1252. Later runs reuse the prefix (a stamp file
# says it is complete). Changes no shell options of the caller.

updater_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$updater_root/build-win/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET or Gecko installers, no menu entries on the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=zh_CN.UTF-8

# Change the stamp's text to make every tree build its prefix anew.
updater_prefix_stamp="$WINEPREFIX/.updater-prefix"
updater_prefix_version="win64 zh_CN fonts desktop-1024x768 v1"

if [ "$(cat "$updater_prefix_stamp" 2>/dev/null)" != "$updater_prefix_version" ]; then
  # A prefix left half-made by an interrupted run is not trusted.
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "Creating the Wine prefix $WINEPREFIX" >&2
  wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  # Wine's own fonts, which the prefix does not get by itself.
  ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  # Windows open in one virtual desktop the size of the test screen.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  echo "$updater_prefix_version" > "$updater_prefix_stamp"
fi
unset updater_prefix_stamp updater_prefix_version

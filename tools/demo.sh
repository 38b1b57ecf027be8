#!/usr/bin/env bash
# Demonstrates the update check end to end on loopback: a demonstration host
# running as Mirovue.exe in a demonstration installation, a local HTTP server
# offering manifests, and the real updater telling the host what it found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh"
build="$root/build"

work=$(mktemp -d)
cleanup() {
  [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "${host_pid:-}" ] && kill "$host_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

install="$work/Mirovue"
site="$work/site/update"
mkdir -p "$install" "$site"
cp "$build/app/updater" "$install/updater"
cp "$(find "$build/tools" -name Mirovue.exe -type f | head -n 1)" "$install/Mirovue.exe"

manifest() {
  printf '<?xml version="1.0" encoding="utf-8"?>\n<update>\n  <version>%s</version>\n  <md5>0123456789abcdef0123456789abcdef</md5>\n  <file_url>http://127.0.0.1/update/package.zip</file_url>\n  <compress>zip</compress>\n</update>\n' "$1"
}
installed=$(grep -m1 -o 'DEMO_HOST_VERSION:STRING=.*' "$build/CMakeCache.txt" | cut -d= -f2)
manifest "$installed" > "$site/same.xml"
manifest "9.9.9.9" > "$site/newer.xml"
printf '<html><body><h1>Welcome to the update server</h1></body></html>\n' > "$site/page.html"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.05; done

hwnd=4242
"$install/Mirovue.exe" --hwnd=$hwnd --log="$work/host.log" --exit-after-ms=60000 &
host_pid=$!
for _ in $(seq 100); do grep -q "@win32.hwnd.$hwnd\$" /proc/net/unix && break; sleep 0.05; done

echo "Installed host version: $installed"
for case in same.xml newer.xml page.html; do
  before=$(grep -c '^message' "$work/host.log" 2>/dev/null || true)
  (cd "$install" && ./updater --url="http://127.0.0.1:$port/update/$case" --hwnd=$hwnd) && code=0 || code=$?
  sleep 0.3
  echo "Manifest $case: updater exit code $code; host received: $(grep '^message' "$work/host.log" | tail -n +$((before + 1)) | tr '\n' ';')"
done
echo "(1125 up to date, 1124 update available, 1127 update failed)"

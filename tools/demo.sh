#!/usr/bin/env bash
# Demonstrates the updater end to end on loopback, as a vendor ships it: a
# key pair is made, the updater is built to trust its public key (in
# build-demo/, so that build/ stays without keys), and every manifest is
# signed with its secret key. A local HTTP server offers the manifests and
# a package; the demonstration host runs as Mirovue.exe in a demonstration
# installation; the real updater checks, refuses a manifest altered after
# signing, then downloads, verifies, waits for the host to close, replaces
# the files and starts the host again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install_deps.sh"
build="$root/build-demo"
work=$(mktemp -d)

# The vendor's key pair, and an updater that trusts its public key.
bash "$root/tools/build.sh" build-demo "" manifest_tool
tool="$build/tools/manifest_tool"
public_key=$("$tool" keygen --secret-key="$work/vendor.key")
cmake -S "$root" -B "$build" -DUPDATER_TRUSTED_KEYS="$public_key" >/dev/null
bash "$root/tools/build.sh" build-demo "" updater demo_host version_resource

cleanup() {
  [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
  pkill -f "^$work/" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

install="$work/Mirovue"
site="$work/site/update"
release="$work/release"
mkdir -p "$install" "$site" "$release/plugins"
cp "$build/updater/updater" "$install/updater"
cp "$build/tools/Mirovue.exe" "$install/Mirovue.exe"
installed=$(grep -m1 -o 'DEMO_HOST_VERSION:STRING=.*' "$build/CMakeCache.txt" | cut -d= -f2)
echo "Mirovue $installed" > "$install/readme.txt"

# The new release: a host stamped with a newer version, and its files.
cp "$build/tools/Mirovue.exe" "$release/Mirovue.exe"
"$build/tools/version_resource" --file-version="1, 0, 3, 0" --elf="$release/Mirovue.exe"
echo "Mirovue 1.0.3.0" > "$release/readme.txt"
head -c 300000 /dev/urandom > "$release/plugins/viewer.dll"
(cd "$release" && zip -q -r "$site/package.zip" .)

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
sign() {
  "$tool" sign --package="$site/package.zip" --version="$1" --secret-key="$work/vendor.key" \
    --url="http://127.0.0.1:$port/update/package.zip" --output="$site/$2"
}
sign "$installed" same.xml
sign "1,0,3,0" update.xml
# Someone between the server and the desktop offers another version.
sed 's|<version>1.0.3.0</version>|<version>1.0.4.0</version>|' "$site/update.xml" > "$site/altered.xml"
printf '<html><body><h1>Welcome to the update server</h1></body></html>\n' > "$site/page.html"

python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.05; done

hwnd=4242
start_host() {
  "$install/Mirovue.exe" --hwnd=$hwnd --log="$work/host.log" "$@" >/dev/null &
  host_pid=$!
  for _ in $(seq 100); do grep -q "@win32.hwnd.$hwnd\$" /proc/net/unix && break; sleep 0.05; done
}
run_updater() {
  (cd "$install" && ./updater --url="http://127.0.0.1:$port/update/$1" --hwnd=$hwnd \
     2> "$work/updater.stderr") && code=0 || code=$?
}
received() { grep -v '^start' "$work/host.log" | tr '\n' ';'; }

echo "== The vendor's key and the signed release =="
echo "Public key, built into this updater: $public_key"
echo "update.xml, as manifest_tool signed it:"
sed 's/^/  /' "$site/update.xml"
echo "manifest_tool verify update.xml:  $("$tool" verify --manifest="$site/update.xml" --public-key="$public_key")"
echo "manifest_tool verify altered.xml: $("$tool" verify --manifest="$site/altered.xml" --public-key="$public_key" || true)"

echo
echo "== The update check (1125 up to date, 1127 failed or refused) =="
start_host --exit-after-ms=60000
for case in same.xml page.html altered.xml; do
  : > "$work/host.log"
  run_updater "$case"; sleep 0.3
  echo "Manifest $case: updater exit code $code; host received: $(received)"
done
kill "$host_pid"; wait "$host_pid" 2>/dev/null || true
echo "Why the altered manifest was refused (debug.log): $(grep -o 'Manifest rejected: .*' "$install/debug.log" | tail -n 1)"
echo "Package requests so far: $(grep -c 'package.zip' "$work/server.log" || true)"

echo
echo "== A whole update to 1.0.3.0, signed (1124 offered, 1126 verified) =="
echo "Before: $(cat "$install/readme.txt"); files: $(cd "$install" && ls | tr '\n' ' ')"
: > "$work/host.log"
start_host --exit-after-ms=5000   # still running when first asked, then closes
run_updater update.xml
echo "Updater exit code $code. What it showed the user (headless desktop):"
sed 's/^/  /' "$work/updater.stderr"
echo "Host window received: $(received)"
for _ in $(seq 100); do [ -s "$install/host.log" ] && break; sleep 0.05; done
echo "Host started again: $(head -n 1 "$install/host.log" 2>/dev/null)"
echo "After: $(cat "$install/readme.txt"); files: $(cd "$install" && ls | grep -v '\.log$' | tr '\n' ' ')"
echo "plugins/viewer.dll identical to the release: $(cmp -s "$release/plugins/viewer.dll" "$install/plugins/viewer.dll" && echo yes || echo no)"
echo "Mirovue.exe identical to the release: $(cmp -s "$release/Mirovue.exe" "$install/Mirovue.exe" && echo yes || echo no)"

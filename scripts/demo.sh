#!/usr/bin/env bash
# The main job on an embedded default: builds the tool and runs it as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh build >/dev/null

demo_home=$(mktemp -d)
server_root=$(mktemp -d)
server_pid=
cleanup() {
    if [[ -n $server_pid ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$demo_home" "$server_root"
}
trap cleanup EXIT

# A local stand-in for the maker's update server, on a free loopback port, serving a demo
# device. It pays out the firmware slowly, as a distant server would, so the download shows.
serial=$(build/bin/update_server --make-demo "$server_root/devices" 40F5849A)
build/bin/update_server --root "$server_root/devices" --fault-op bird --slow-ms 100 \
    --chunk-bytes 512 >"$server_root/port" &
server_pid=$!
for _ in $(seq 50); do
    [[ -s $server_root/port ]] && break
    sleep 0.1
done
port=$(head -n 1 "$server_root/port")
if [[ -z $port ]]; then
    echo "the demo update server did not start" >&2
    exit 1
fi
url=http://127.0.0.1:$port/cgi/u

echo "\$ updater -B -d $serial -u $url"
HOME=$demo_home build/bin/updater -B -d "$serial" -u "$url"
echo
echo "\$ updater -G -d $serial -u $url"
HOME=$demo_home build/bin/updater -G -d "$serial" -u "$url"
echo
echo "\$ updater -L -d $serial"
HOME=$demo_home build/bin/updater -L -d "$serial"
echo
echo "\$ ls ~/.norvane/updater/$serial"
ls -A "$demo_home/.norvane/updater/$serial"
echo "\$ cat ~/.norvane/updater/$serial/.settings"
cat "$demo_home/.norvane/updater/$serial/.settings"

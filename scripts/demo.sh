#!/usr/bin/env bash
# The main job on an embedded default: builds the tool and runs it as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

# Waits until the simulator writing to this file says it is ready.
wait_ready() {
    for _ in $(seq 50); do
        grep -q '^ready$' "$1" && return
        sleep 0.1
    done
}

# Three devices on TCP, answering the network query, and the tool looking for them. Runs in a
# network of its own (see below), so the query never leaves this machine.
if [[ ${1:-} == --tcp-step ]]; then
    ip link set lo up multicast on
    ip address add 127.0.0.2/8 dev lo
    tcp_out=$(mktemp)
    build/bin/lynkor-sim --answer-queries \
        --device 2181F0EE --address 4 --model 14 --version 2.11.3 --build 1000 --name "Bench left" \
        --device 1A2B3C4D --address 6 --model 20 --version 2.10.1 --build 987 --name "Not shown" \
        --device D272031D --address 8 --model 19 --version 2.12.0 --build 1001 \
        --reply-delay-ms 200 >"$tcp_out" &
    tcp_pid=$!
    trap 'kill "$tcp_pid" 2>/dev/null || true; wait "$tcp_pid" 2>/dev/null || true; rm -f "$tcp_out"' EXIT
    wait_ready "$tcp_out"
    echo "\$ updater -D -t TCPIP"
    HOME=$2 build/bin/updater -D -t TCPIP
    exit 0
fi

scripts/deps.sh
scripts/build.sh build >/dev/null

demo_home=$(mktemp -d)
server_root=$(mktemp -d)
usb_bus=$(mktemp -d)
server_pid=
usb_pid=
cleanup() {
    for pid in $server_pid $usb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$demo_home" "$server_root" "$usb_bus"
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

# Discovery. The demo device and a second one on an emulated USB bus (the second held by another
# program), then devices on the network.
build/bin/lynkor-sim --usb-dir "$usb_bus" \
    --device "$serial" --usb --address 4 --model 17 --version 2.11.3 --build 1000 \
    --name "Demo hub" --device 0000BEEF --usb --usb-busy >"$server_root/usb" &
usb_pid=$!
wait_ready "$server_root/usb"
echo "\$ updater -D"
HOME=$demo_home LYNKOR_USB_EMULATION=$usb_bus build/bin/updater -D
echo
# The network query goes out on every interface but 127.0.0.1: a private network namespace
# keeps it, and the simulated devices answering it, on this machine.
namespace=(unshare --net)
if [[ $(id -u) -ne 0 ]]; then
    namespace=(unshare --user --map-root-user --net)
fi
if ! "${namespace[@]}" bash scripts/demo.sh --tcp-step "$demo_home"; then
    echo "(the TCP/IP discovery needs a network namespace of its own, which this machine refused)"
fi
echo

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

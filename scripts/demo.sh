#!/usr/bin/env bash
# A whole firmware update to watch on a terminal: two simulated devices, one on the emulated USB
# bus and one on TCP, a local update server, and the updater finding them, downloading a build
# and putting it on both, with its progress bars.
set -euo pipefail
cd "$(dirname "$0")/.."

# The updater finds TCP devices by a multicast query, which must not leave this machine: the
# demo runs in a network namespace of its own, with only a loopback interface.
if [[ ${1:-} != --in-private-network ]]; then
    scripts/deps.sh
    scripts/build.sh build >/dev/null
    exec unshare -rn "$0" --in-private-network
fi
ip link set lo up multicast on
ip address add 127.0.0.2/8 dev lo

usb_serial=40F5849A
tcp_serial=2181F0EE
work=$(mktemp -d)
demo_home=$work/home
mkdir -p "$demo_home" "$work/usb"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits for a program's first lines to hold the word.
wait_for() {
    for _ in $(seq 100); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "the demo's $1 did not start" >&2
    exit 1
}

# A local stand-in for the maker's update server, offering builds 1000 and 1001 of both devices.
build/bin/update_server --make-demo "$work/devices" "$usb_serial" >/dev/null
build/bin/update_server --make-demo "$work/devices" "$tcp_serial" >/dev/null
build/bin/update_server --root "$work/devices" >"$work/server" &
pids+=($!)
wait_for "$work/server" .
url=http://127.0.0.1:$(head -n 1 "$work/server")/cgi/u

# The two devices run build 1000 and come back from their update running 1001, after a reboot
# of 1.5 s. They answer a little slowly, as real ones do, so that the transfer can be watched.
build/bin/lynkor-sim --answer-queries --usb-dir "$work/usb" \
    --device "$usb_serial" --usb --model 17 --build 1000 --block-size 256 --down-ms 1500 \
    --name "Bench hub" \
    --device "$tcp_serial" --tcp --model 17 --build 1000 --block-size 256 --down-ms 1500 \
    --name "Rack relay" \
    >"$work/sim" &
pids+=($!)
wait_for "$work/sim" ready
control_port=$(sed -n 's/^control 127.0.0.1://p' "$work/sim")
exec 3<>"/dev/tcp/127.0.0.1/$control_port"
control() {
    echo "$1" >&3
    while read -r line <&3; do
        [[ $line == ok || $line == error* ]] && break
    done
}
control "upgrade $usb_serial load=restart build-after=1001"
control "upgrade $tcp_serial load=answer build-after=1001"
control "reply-delay $usb_serial 15"
control "reply-delay $tcp_serial 5"

run() {
    echo
    echo "\$ updater $*"
    HOME=$demo_home LYNKOR_USB_EMULATION=$work/usb build/bin/updater "$@" -u "$url" || true
}

run -D
run -D -t TCPIP
run -G -d "$usb_serial"
run -U -d "$usb_serial"
run -G -U -d "$tcp_serial" -m 0
echo
echo "\$ ls -A ~/.norvane/updater/*"
(cd "$demo_home/.norvane/updater" && ls -A -- *)
echo "\$ cat ~/.norvane/updater/$usb_serial/.settings"
cat "$demo_home/.norvane/updater/$usb_serial/.settings"
# Both devices are back, running the new build.
sleep 2
run -D
run -D -t TCPIP

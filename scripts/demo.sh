#!/usr/bin/env bash
# A whole firmware update to watch on a terminal: simulated devices on the emulated USB bus and
# on TCP, a local update server, and the updater finding them, listing and downloading a build
# and putting it on one device over USB and one over TCP, with its progress bars.
set -euo pipefail
cd "$(dirname "$0")/.."

# The updater finds TCP devices by a multicast query, which goes out on every interface but
# 127.0.0.1: the demo runs in a network namespace of its own, so that the query, and the
# simulated devices answering it, stay on this machine.
if [[ ${1:-} != --in-private-network ]]; then
    scripts/deps.sh
    scripts/build.sh build >/dev/null
    namespace=(unshare --net)
    if [[ $(id -u) -ne 0 ]]; then
        namespace=(unshare --user --map-root-user --net)
    fi
    if ! "${namespace[@]}" true 2>/dev/null; then
        echo "the demo needs a network namespace of its own, which this machine refused" >&2
        exit 1
    fi
    exec "${namespace[@]}" bash scripts/demo.sh --in-private-network
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

# A local stand-in for the maker's update server, offering builds 1000 and 1001 of two devices.
# It pays out the firmware slowly, as a distant server would, so the download shows.
build/bin/update_server --make-demo "$work/devices" "$usb_serial" >/dev/null
build/bin/update_server --make-demo "$work/devices" "$tcp_serial" >/dev/null
build/bin/update_server --root "$work/devices" --fault-op bird --slow-ms 100 \
    --chunk-bytes 512 >"$work/server" &
pids+=($!)
wait_for "$work/server" .
url=http://127.0.0.1:$(head -n 1 "$work/server")/cgi/u

# On USB the demo device and a second one held by another program; on TCP a device of the same
# model and two others. The two to update run version 2.11.3 (build 1000) and come back from
# their update running 2.12.0 (build 1001), as the update server lists the builds, after a
# reboot of 1.5 s.
build/bin/lynkor-sim --answer-queries --usb-dir "$work/usb" \
    --device "$usb_serial" --usb --address 4 --model 17 --version 2.11.3 --build 1000 \
    --block-size 256 --down-ms 1500 --name "Demo hub" \
    --device 0000BEEF --usb --usb-busy \
    --device "$tcp_serial" --tcp --address 4 --model 17 --version 2.11.3 --build 1000 \
    --block-size 256 --down-ms 1500 --name "Bench left" \
    --device 1A2B3C4D --tcp --address 6 --model 20 --version 2.10.1 --build 987 --name "Not shown" \
    --device D272031D --tcp --address 8 --model 19 --version 2.12.0 --build 1001 \
    --reply-delay-ms 200 >"$work/sim" &
pids+=($!)
wait_for "$work/sim" '^ready$'
control_port=$(sed -n 's/^control 127.0.0.1://p' "$work/sim")
exec 3<>"/dev/tcp/127.0.0.1/$control_port"
control() {
    echo "$1" >&3
    while read -r line <&3; do
        [[ $line == ok || $line == error* ]] && break
    done
}
control "upgrade $usb_serial load=restart build-after=1001 version-after=2.12.0 verify-ms=1000"
control "upgrade $tcp_serial load=answer build-after=1001 version-after=2.12.0 verify-ms=1000"
# They answer a little slowly, as real ones do, so that the transfer can be watched.
control "reply-delay $usb_serial 15"
control "reply-delay $tcp_serial 5"

run() {
    echo
    echo "\$ updater $*"
    HOME=$demo_home LYNKOR_USB_EMULATION=$work/usb build/bin/updater "$@" -u "$url" || true
}

run -D
run -D -t TCPIP
run -B -d "$usb_serial"
run -G -d "$usb_serial"
run -L -d "$usb_serial"
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

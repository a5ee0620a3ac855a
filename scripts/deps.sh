#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need; does nothing when all
# are present, so it is safe to run before every build.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git ca-certificates openssl iproute2 python3
    zlib1g-dev libcurl4-openssl-dev libzmq3-dev libczmq-dev libusb-1.0-0-dev libhidapi-dev
    libcpp-httplib-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev libfuzzer-14-dev
    imx-usb-loader
    lpc21isp
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

#!/usr/bin/env bash
# Configures and builds into a build folder: scripts/build.sh [folder] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -DLYNKOR_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

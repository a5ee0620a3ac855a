#!/usr/bin/env bash
# Builds the benchmarks and runs each; every program prints its figures beside a baseline
# measured in the same run: scripts/bench.sh [benchmark filter regex]
set -euo pipefail
cd "$(dirname "$0")/.."

filter=${1:-.}
build_dir=build-bench
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DLYNKOR_BUILD_TESTS=OFF \
    -DLYNKOR_BUILD_BENCHMARKS=ON >/dev/null
targets=$(cmake --build "$build_dir" --target help | sed -n 's/^\.\.\. \(bench_[a-z_0-9]*\).*/\1/p')
sim_programs=$(cmake --build "$build_dir" --target help | sed -n 's/^\.\.\. \(lynkor-[a-z_0-9-]*\).*/\1/p')
# shellcheck disable=SC2086
cmake --build "$build_dir" -j "$(nproc)" --target $targets $sim_programs
for target in $targets; do
    echo "== $target"
    "$build_dir/bin/$target" --benchmark_filter="$filter"
done

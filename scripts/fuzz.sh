#!/usr/bin/env bash
# Builds every libFuzzer target under fuzz/ with clang and runs each for a bounded time over
# its seed corpus: scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build_dir=build-fuzz
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLYNKOR_BUILD_TESTS=OFF -DLYNKOR_BUILD_FUZZERS=ON \
    -DLYNKOR_SANITIZE=address,undefined >/dev/null
targets=$(cmake --build "$build_dir" --target help | sed -n 's/^\.\.\. \(fuzz_[a-z_0-9]*\).*/\1/p')
if [[ -z $targets ]]; then
    echo "no fuzz targets"
    exit 0
fi
# shellcheck disable=SC2086
cmake --build "$build_dir" -j "$(nproc)" --target $targets

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in $targets; do
    name=${target#fuzz_}
    corpus=$build_dir/corpus/$name
    mkdir -p "$corpus" fuzz/artifacts
    if [[ -d fuzz/corpus/$name ]]; then
        cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "== $target for ${seconds}s"
    "$build_dir/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=fuzz/artifacts/ "$corpus" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || true
    if [[ ${PIPESTATUS[0]} -ne 0 ]]; then
        echo "$target found a crash; see fuzz/artifacts/" >&2
        exit 1
    fi
done

#!/usr/bin/env bash
# Runs unit tests under sanitizers:
#   scripts/sanitize.sh address   AddressSanitizer + UndefinedBehaviorSanitizer, all unit tests
#   scripts/sanitize.sh thread    ThreadSanitizer, the device library's unit tests
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-address}
case "$kind" in
    address) sanitizers=address,undefined; label='^unit_' ;;
    thread) sanitizers=thread; label='^unit_lynkor' ;;
    *) echo "usage: $0 address|thread" >&2; exit 2 ;;
esac

build_dir=build-$kind
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DLYNKOR_WERROR=ON \
    -DLYNKOR_SANITIZE="$sanitizers" >/dev/null
targets=$(cmake --build "$build_dir" --target help | sed -n 's/^\.\.\. \(unit_[a-z_]*\).*/\1/p')
if [[ $kind == thread ]]; then
    targets=$(grep '^unit_lynkor' <<<"$targets" || true)
fi
# shellcheck disable=SC2086
cmake --build "$build_dir" -j "$(nproc)" --target $targets

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 600 -L "$label"

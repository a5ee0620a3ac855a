#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds with warnings as errors, runs ctest.
# "scripts/test.sh soak" runs the long load tests instead, which the ordinary suite leaves out.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh build
if [[ ${1:-} == soak ]]; then
    ctest --test-dir build --output-on-failure -L soak --timeout 600
else
    ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300 -LE soak
fi

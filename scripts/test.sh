#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds with warnings as errors, runs ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300

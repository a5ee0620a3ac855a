#!/usr/bin/env bash
# The main job on an embedded default: builds the tool and runs it as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh build >/dev/null

demo_home=$(mktemp -d)
trap 'rm -rf "$demo_home"' EXIT
echo "\$ updater -h"
HOME=$demo_home build/bin/updater -h

#!/usr/bin/env bash
# Builds Vexlin with its tests and runs every test, on a headless desktop when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

build=${VEXLIN_TEST_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

source scripts/headless-desktop.sh
trap headless_cleanup EXIT
start_headless_display
start_headless_audio

cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"

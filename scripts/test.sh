#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the normal build, then the core and
# its tests again under AddressSanitizer + UndefinedBehaviorSanitizer, then the fuzz smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

JOBS="${JOBS:-$(nproc)}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLC_WERROR=ON \
    -DLC_BUILD_TESTS=ON -DLC_BUILD_BENCH=ON
cmake --build build -j "$JOBS"
(cd build && ctest --output-on-failure -j "$JOBS")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLC_SANITIZE=ON -DLC_WERROR=ON \
    -DLC_BUILD_GUI=OFF -DLC_BUILD_BENCH=OFF -DLC_BUILD_TESTS=ON
cmake --build build-asan -j "$JOBS"
(cd build-asan && ctest --output-on-failure -j "$JOBS")

if [ -f scripts/fuzz-smoke.sh ]; then
    bash scripts/fuzz-smoke.sh
fi

#!/usr/bin/env bash
# Sets up the machine, builds the reader and runs the main job on the bundled sample volume:
# the desktop application when a display is there, otherwise the command-line listing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
# The two programs only: the tests and benchmarks are built by scripts/test.sh.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLC_BUILD_TESTS=OFF -DLC_BUILD_BENCH=OFF
cmake --build build -j "${JOBS:-$(nproc)}"

SAMPLE=examples/sample.vol
if [ -x build/src/app/lcportable ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "Opening $SAMPLE in the desktop application; its password is: ${LCPORTABLE_PASSWORD:-sample}"
    exec build/src/app/lcportable "$SAMPLE"
fi
export LCPORTABLE_PASSWORD="${LCPORTABLE_PASSWORD:-sample}"
exec build/src/cli/lcportable-cli ls -R "$SAMPLE"

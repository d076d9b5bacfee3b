#!/usr/bin/env bash
# Builds every libFuzzer target with clang under ASan/UBSan and runs each for a short while on
# its seed corpus: the files named *seed* (zstd-compressed or plain) in tests/fixtures/<fs>/
# for the target fuzz_<fs>. Exits non-zero when a target crashes, leaks or hangs on an input.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET="${FUZZ_SECONDS:-60}"
BUILD=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLC_FUZZ=ON -DLC_BUILD_GUI=OFF -DLC_BUILD_TESTS=OFF -DLC_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_all -j "${JOBS:-$(nproc)}"

status=0
shopt -s nullglob
for target in "$BUILD"/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="$(basename "$target")"
    fs="${name#fuzz_}"
    corpus="$BUILD/corpus/$fs"
    artifacts="$BUILD/artifacts/$name"
    mkdir -p "$corpus" "$artifacts"
    for seed in tests/fixtures/"$fs"/*seed*; do
        case "$seed" in
            *.zst) zstd -d -q -f "$seed" -o "$corpus/$(basename "$seed" .zst)" ;;
            *) cp -f "$seed" "$corpus/" ;;
        esac
    done
    echo "== $name: ${SECONDS_PER_TARGET}s on $(ls "$corpus" | wc -l) inputs"
    if ! "$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
        >"$BUILD/$name.log" 2>&1; then
        echo "!! $name failed; the input is in $artifacts/, the log in $BUILD/$name.log"
        tail -n 40 "$BUILD/$name.log"
        status=1
    else
        grep -E "stat::number_of_executed_units|Done" "$BUILD/$name.log" | tail -n 2 || true
    fi
done
exit $status

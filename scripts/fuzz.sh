#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build-fuzz/ and runs each for the
# given number of seconds, starting from the seed corpora. A finding stops with its reproducer
# in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build='build-fuzz'

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ is not installed; run scripts/install-deps.sh fuzz as root" >&2
    exit 1
fi
# Warnings are errors here as in CI's other builds: nothing else builds the fuzz targets.
[ -f $build/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B $build -DTARVIK_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_WERROR=ON >/dev/null
cmake --build $build -j "$(nproc)" --target fuzz_cardnumber fuzz_reply fuzz_chipdata >/dev/null

mkdir -p $build/findings
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in fuzz_cardnumber fuzz_reply fuzz_chipdata; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    case $target in
    fuzz_cardnumber) seeds=fuzz/seeds/cardnumber ;;
    fuzz_reply) seeds="fuzz/seeds/reply standin/samples" ;;
    fuzz_chipdata) seeds=fuzz/seeds/chipdata ;;
    esac
    # shellcheck disable=SC2086
    $build/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix=$build/findings/$target- \
        "$corpus" $seeds >$build/$target.log 2>&1 || {
        tail -40 $build/$target.log >&2
        echo "fuzz: $target found a problem; see $build/findings/" >&2
        exit 1
    }
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' $build/$target.log)
    echo "fuzz: $target: $runs executions in ${seconds}s, no finding"
done

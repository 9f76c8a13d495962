#!/bin/sh
# SPDX-License-Identifier: MIT
# The batch benchmark: tarvik --batch against the stand-in answering each card after 50 ms, for
# 1,000 and 10,000 cards at N = 1, 4 and 6 requests at once, beside what an integrator has without
# it: one tarvik process per card, run one after another. Then what 100,000 cards cost in memory
# (no delay, N = 6). Prints wall time and peak resident memory per run; asserts nothing.
# Usage: bench/batch.sh
#   BUILD=<dir>        build folder (default build)
#   PER_PROCESS=N      cards run one process each (default 1000); the 10,000-card figure is
#                      extrapolated from these
#   SIZES="1000 10000" batch sizes; JOBS="1 4 6" values of N; BIG=100000 (0 skips it)
# Runs in a private network namespace of its own where it can, so that port 5016 is its own.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${BENCH_IN_NETNS:-}" ]; then
    BENCH_IN_NETNS=1 exec sh tests/netns.sh sh "$0" "$@"
fi
. scripts/standin.sh
build=${BUILD:-build}
per_process=${PER_PROCESS:-1000}
sizes=${SIZES:-1000 10000}
jobs_list=${JOBS:-1 4 6}
big=${BIG:-100000}
card=80756000080000000001
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
work=$(mktemp -d)
standin=
trap 'stop_standin; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

with_standin() {
    stop_standin
    need_standin bench "$build/hin-standin" "$work/standin.log" "$@"
}

cards() { # <count>: the sample card that has a record, <count> times
    yes "$card" | head -n "$1"
}

# batch <cards> <jobs>: one run; prints cards, N, wall seconds, peak RSS and what came back.
batch() {
    cards "$1" >"$work/cards"
    /usr/bin/time -f "%e %M" -o "$work/time" "$build/tarvik" --batch --jobs "$2" \
        <"$work/cards" >"$work/out" 2>/dev/null || true
    found=$(grep -c '"outcome":"found"' "$work/out" || true)
    read -r wall rss <"$work/time"
    ideal=$(echo "$1 * 0.05 / $2" | bc -l)
    printf '| %s | %s | %.2f s | %.2f s | %.3f | %s KiB | %s of %s found |\n' \
        "$1" "$2" "$wall" "$ideal" "$(echo "$wall / $ideal" | bc -l)" "$rss" "$found" "$1"
}

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
with_standin --delay-ms 50
echo "| cards | N | wall | cards x 50 ms / N | ratio | peak RSS | answers |"
echo "|---:|---:|---:|---:|---:|---:|---|"
for n in $sizes; do
    for jobs in $jobs_list; do
        batch "$n" "$jobs"
    done
done

# One process per card, one after another, as a calling program does without --batch.
cards "$per_process" >"$work/cards"
/usr/bin/time -f "%e %M" -o "$work/time" sh -c \
    "while read -r c; do '$build/tarvik' \"\$c\" >/dev/null 2>&1; done" <"$work/cards"
read -r wall rss <"$work/time"
printf 'one process per card, %s cards: %.2f s (%.1f ms a card), peak RSS of one process %s KiB\n' \
    "$per_process" "$wall" "$(echo "$wall * 1000 / $per_process" | bc -l)" "$rss"
printf '  extrapolated to 10000 cards: %.0f s\n' "$(echo "$wall * 10000 / $per_process" | bc -l)"

if [ "$big" -gt 0 ]; then
    with_standin
    echo "memory, no delay:"
    echo "| cards | N | wall | peak RSS |"
    echo "|---:|---:|---:|---:|"
    for n in 1000 "$big"; do
        cards "$n" >"$work/cards"
        /usr/bin/time -f "%e %M" -o "$work/time" "$build/tarvik" --batch --jobs 6 \
            <"$work/cards" >"$work/out" 2>/dev/null || true
        read -r wall rss <"$work/time"
        printf '| %s | 6 | %.1f s | %s KiB |\n' "$n" "$wall" "$rss"
    done
    printf 'input of %s cards: %s bytes\n' "$big" "$(wc -c <"$work/cards")"
fi
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

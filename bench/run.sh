#!/bin/sh
# SPDX-License-Identifier: MIT
# Measures the tool against the floor program through the stand-in: one sample record on the
# offscreen platform and under Xvfb, a sweep of reply sizes, and the rejection path. Tool and floor
# take turns, run after run. Prints medians and ratios; asserts nothing (a benchmark, not a test).
# Usage: bench/run.sh [runs per program, default 40]
#   BUILD=<dir>     build folder (default build)
#   REJECT_RUNS=N   runs of the rejection path, 5 s each (default runs/8, at least 2; 0 skips it)
set -eu
cd "$(dirname "$0")/.."
. scripts/standin.sh
build=${BUILD:-build}
runs=${1:-40}
card=80756000080000000001
measure=$build/bench/measure
tool="$build/tarvik $card"
floor="$build/bench/floor $card"
sweep_runs=$((runs / 4))
[ "$sweep_runs" -ge 3 ] || sweep_runs=3
reject_runs=${REJECT_RUNS:-$((runs / 8))}
[ "$reject_runs" -eq 0 ] || [ "$reject_runs" -ge 2 ] || reject_runs=2

if [ ! -x "$measure" ] || [ ! -x "$build/tarvik" ]; then
    echo "bench: build first (make)" >&2
    exit 1
fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
standin=
xvfb=
cleanup() {
    stop_standin
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Port 5016 is fixed in the tool, and other people's tests use it briefly: when it is taken, wait
# and try again rather than measure against someone else's stand-in.
with_standin() { # [stand-in options]
    stop_standin
    tries=0
    until start_standin "$build/hin-standin" "$work/standin.log" "$@"; do
        tries=$((tries + 1))
        if [ "$tries" -ge 10 ]; then
            echo "bench: the stand-in cannot listen on port 5016:" >&2
            cat "$work/standin.log" >&2
            exit 1
        fi
        echo "(port 5016 busy, retrying in 15 s)" >&2
        sleep 15
    done
}

# One run of each before measuring: a tool that prints no record (stand-in not reached, a popup
# instead) would make the figures meaningless while still exiting with 0.
check_record() {
    $tool >"$work/out" 2>/dev/null
    if [ "$(grep -c . "$work/out")" -ne 24 ] || ! grep -q '^Client AHV' "$work/out"; then
        echo "bench: the tool printed no record; output:" >&2
        cat "$work/out" >&2
        exit 1
    fi
    $floor >"$work/out" 2>/dev/null
    grep -q 'statut="0"' "$work/out" || { echo "bench: the floor got no record" >&2; exit 1; }
}

# Measures tool and floor in turn; leaves "name wall_ms rss_kib cpu_ms" lines in $work/pair.
measure_pair() { # runs
    "$measure" -r "$1" tarvik "$tool" floor "$floor" >"$work/pair"
}

print_pair() {
    printf '%-14s %13s %16s %13s\n' "" "median wall" "median peak RSS" "median CPU"
    awk '{ wall[NR] = $2; rss[NR] = $3; cpu[NR] = $4
           printf "%-14s %10.1f ms %12d KiB %10.1f ms\n", $1, $2, $3, $4 }
         END { printf "%-14s %10.3f    %12.3f     %10.3f\n", "tarvik/floor", wall[1] / wall[2],
                      rss[1] / rss[2], cpu[1] / cpu[2] }' "$work/pair"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
     "$(awk '/^MemTotal/ { printf "%.1f GiB RAM", $2 / 1048576 }' /proc/meminfo)"
echo "system: Debian $(cat /etc/debian_version 2>/dev/null || echo '?'), Qt $(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null || echo '?')"
echo "load average at start: $(load)"
with_standin
check_record

echo
echo "== offscreen, one sample record, $runs runs each"
measure_pair "$runs"
print_pair

if command -v Xvfb >/dev/null 2>&1; then
    # -displayfd picks a free display, so that another Xvfb on this machine does not get in the way.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    waited=0
    until [ -s "$work/display" ] || [ "$waited" -ge 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    [ -s "$work/display" ] || { echo "bench: Xvfb did not start" >&2; exit 1; }
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
    check_record
    echo
    echo "== Xvfb (xcb), one sample record, $runs runs each"
    measure_pair "$runs"
    print_pair
    export QT_QPA_PLATFORM=offscreen
    kill "$xvfb" 2>/dev/null || true
    xvfb=
else
    echo
    echo "(Xvfb not installed: skipped the xcb run)"
fi

echo
echo "== reply size sweep, offscreen, $sweep_runs runs each"
echo "   above record: (median at this size - median with the plain record) / size in MiB,"
echo "   in ms per MiB of reply and in MiB of peak RSS per MiB of reply"
printf '%-7s %9s %9s %6s %9s %9s %6s  %-21s %-21s\n' "" "wall ms" "" "" "RSS MiB" "" "" \
    "tarvik above record" "floor above record"
printf '%-7s %9s %9s %6s %9s %9s %6s  %9s %11s %9s %11s\n' "reply" tarvik floor ratio \
    tarvik floor ratio "ms/MiB" "MiB/MiB" "ms/MiB" "MiB/MiB"
: >"$work/sweep"
for mib in 0 1 2 4 8; do
    if [ "$mib" -eq 0 ]; then
        with_standin
    else
        with_standin --pad-to $((mib * 1024 * 1024))
    fi
    check_record
    measure_pair "$sweep_runs"
    { printf '%s ' "$mib" && tr '\n' ' ' <"$work/pair" && echo; } >>"$work/sweep"
    # Each row is printed as soon as it is measured; the first one is the baseline.
    tail -n 1 "$work/sweep" | awk -v base="$(head -n 1 "$work/sweep")" '
        { split(base, b, " ")
          size = $1 == 0 ? "record" : $1 " MiB"
          printf "%-7s %9.1f %9.1f %6.3f %9.1f %9.1f %6.3f", size, $3, $7, $3 / $7,
                 $4 / 1024, $8 / 1024, $4 / $8
          if ($1 == 0)
              printf "  %9s %11s %9s %11s\n", "-", "-", "-", "-"
          else
              printf "  %9.1f %11.2f %9.1f %11.2f\n", ($3 - b[3]) / $1, ($4 - b[4]) / 1024 / $1,
                     ($7 - b[7]) / $1, ($8 - b[8]) / 1024 / $1 }'
done

if [ "$reject_runs" -gt 0 ]; then
    with_standin
    echo
    echo "== rejection path, offscreen, $reject_runs runs each"
    echo "   A rejected number keeps its popup up for about 5 s (a coarse timer: up to 5 % early),"
    echo "   so wall time says nothing; CPU time and peak RSS show what the path costs. The floor"
    echo "   does a whole lookup."
    tool="$build/tarvik 1234"
    measure_pair "$reject_runs"
    printf '%-14s %16s %13s\n' "" "median peak RSS" "median CPU"
    awk '{ printf "%-14s %12d KiB %10.1f ms\n", NR == 1 ? "tarvik 1234" : $1, $3, $4 }' "$work/pair"
fi
echo
echo "load average at end: $(load)"

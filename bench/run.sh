#!/bin/sh
# Measures the tool against the floor program through the stand-in, on the offscreen platform and
# under Xvfb, then sweeps the reply size. Prints medians; asserts nothing.
# Usage: bench/run.sh [runs per program, default 40]
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}
runs=${1:-40}
card=80756000080000000001
measure=$build/bench/measure
tool="$build/tarvik $card"
floor="$build/bench/floor $card"

[ -x "$measure" ] || { echo "bench: build first (make)" >&2; exit 1; }
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
work=$(mktemp -d)
standin=
xvfb=
cleanup() {
    [ -n "$standin" ] && kill "$standin" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

start_standin() { # [extra options]
    [ -n "$standin" ] && kill "$standin" 2>/dev/null && wait "$standin" 2>/dev/null || true
    "$build/hin-standin" --port 5016 "$@" >"$work/standin.log" 2>&1 &
    standin=$!
    until grep -q listening "$work/standin.log"; do sleep 0.05; done
}

echo "machine: $(nproc) cores, $(sed -n 's/^model name\t: //p' /proc/cpuinfo | head -1)"
echo "Qt: $(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null || echo unknown)"
start_standin

echo
echo "== offscreen, one sample record, $runs runs each"
QT_QPA_PLATFORM=offscreen "$measure" "$runs" tarvik "$tool" floor "$floor"

if command -v Xvfb >/dev/null 2>&1; then
    Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    echo
    echo "== Xvfb (xcb), one sample record, $runs runs each"
    DISPLAY=:77 QT_QPA_PLATFORM=xcb "$measure" "$runs" tarvik "$tool" floor "$floor"
else
    echo "(Xvfb not installed: skipped the xcb run)"
fi

echo
echo "== reply size sweep, offscreen, $((runs / 4)) runs each"
for mib in 1 2 4 8; do
    start_standin --pad-to $((mib * 1024 * 1024))
    printf '%s MiB: ' "$mib"
    QT_QPA_PLATFORM=offscreen "$measure" $((runs / 4)) tarvik "$tool" floor "$floor" | tr '\n' ' '
    echo
done

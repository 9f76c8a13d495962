#!/bin/sh
# Looks up a sample card through the stand-in: starts hin-standin on the HIN Client's port,
# runs the tool on the card, shows what it wrote to standard output, and stops the stand-in.
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}
card=${1:-80756000080000000001}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No screen: the popups are drawn off screen.
    export QT_QPA_PLATFORM=offscreen
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
fi

log=$(mktemp)
"$build/hin-standin" --port 5016 --log >"$log" 2>&1 &
standin=$!
trap 'kill $standin 2>/dev/null || true; rm -f "$log"' EXIT INT TERM

# Wait until it listens, or tell why it does not (port 5016 taken, e.g. by a real HIN Client).
tries=0
until grep -q "listening" "$log"; do
    if ! kill -0 $standin 2>/dev/null || [ $tries -ge 50 ]; then
        echo "demo: the stand-in did not start:" >&2
        cat "$log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

echo "\$ $build/tarvik $card"
status=0
"$build/tarvik" "$card" || status=$?
echo "(exit status $status)"

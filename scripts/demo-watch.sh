#!/bin/sh
# SPDX-License-Identifier: MIT
# Shows the front desk's companion at work: in namespaces of their own (tests/pcscns.sh), a pcscd
# with the two virtual readers and the stand-in on the HIN Client's port; `tarvik --watch` runs
# beside them while three virtual cards (hin-vcard) are put in and taken out one after the other,
# one of them a German eGK, and each line it writes is printed. Closing its standard input ends it.
# Neither the machine's pcscd nor a real reader or HIN Client is touched.
# Usage: scripts/demo-watch.sh   (BUILD: build folder)
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}

if [ "${DEMO_WATCH_INSIDE:-}" != 1 ]; then
    if ! unshare -rnm true 2>/dev/null; then
        echo "demo-watch: this machine allows no private user, network and mount namespaces" >&2
        echo "demo-watch: (unshare -rnm), so pcscd cannot run beside the machine's own." >&2
        exit 1
    fi
    DEMO_WATCH_INSIDE=1 exec sh tests/pcscns.sh sh "$0"
fi
unset DEMO_WATCH_INSIDE

. scripts/standin.sh
work=$(mktemp -d)
standin=
vcard=
trap 'stop_standin; [ -z "$vcard" ] || kill "$vcard" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
need_standin demo-watch "$build/hin-standin" "$work/standin.log"

# The watch's standard input is a pipe that this script holds open; closing it ends the watch.
mkfifo "$work/in"
echo "\$ $build/tarvik --watch"
"$build/tarvik" --watch <"$work/in" &
watch=$!
exec 3>"$work/in"
sleep 1

# reader (0 or 1), card file: the card goes in, stays a moment and comes out again.
show() {
    echo "(card $2 into reader $1)"
    "$build/hin-vcard" --port $((35963 + $1)) "standin/cards/$2" 3>&- &
    vcard=$!
    sleep 2
    echo "(card $2 taken out)"
    kill "$vcard"
    vcard=
    sleep 1
}
show 0 regular
show 1 egk
show 0 umlauts

echo "(standard input of the watch closed)"
exec 3>&-
status=0
wait "$watch" || status=$?
echo "(exit status $status)"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Shows every popup the tool can show, and the batch's progress window, each in a real run of the
# program under Xvfb, and grabs the window as PNG into docs/screenshots/<language>/.
# Usage: scripts/screenshots.sh [de|fr|it ...]    (all three when none is named)
set -eu
cd "$(dirname "$0")/.."
. scripts/standin.sh
build=${BUILD:-build}
languages=${*:-de fr it}
for language in $languages; do
    case $language in
    de | fr | it) ;;
    *)
        echo "screenshots: no texts in \"$language\"; name de, fr or it" >&2
        exit 2
        ;;
    esac
done

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
standin=
xvfb=
tool=
stop() {
    for pid in "$@"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap 'stop "$tool" "$xvfb"; stop_standin; rm -rf "$work"' EXIT INT TERM

# Xvfb picks a free display and names it, so that another X server here does not get in the way.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY QT_QPA_PLATFORM=xcb

# A card whose reply carries no status the tool knows.
mkdir -p "$work/samples"
cp standin/samples/*.xml "$work/samples/"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<validation-horizontale version="2.3"/>\n' \
    >"$work/samples/80756000080000000099.xml"

# with_standin [options] | with_standin none: the stand-in as the next shots need it.
with_standin() {
    stop_standin
    [ "${1:-}" = none ] && return 0
    start_standin "$build/hin-standin" "$work/standin.log" --samples "$work/samples" "$@" || {
        echo "screenshots: the stand-in did not start:" >&2
        cat "$work/standin.log" >&2
        exit 1
    }
}

# shot <file> <card number argument>: runs the tool, waits for its visible popup, grabs it.
shot() {
    $in_language "$build/tarvik" "$2" >/dev/null &
    tool=$!
    # The please-wait popup is up until the reply is in; on this machine that takes well under
    # the time given here, so the popup found after it is the one that reports the outcome.
    sleep 1.5
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)
    sleep 0.5 # let it paint
    import -window "$id" "$out/$1.png"
    stop "$tool"
    tool=
    echo "$out/$1.png"
}

# reader_shot <file>: the popup that asks for the card, beside a pcscd without readers (in
# namespaces of its own, tests/pcscns.sh), so that the wait goes on while it is grabbed.
reader_shot() {
    $in_language sh tests/pcscns.sh --readers none "$build/tarvik" --reader >/dev/null &
    tool=$!
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)
    sleep 0.5 # let it paint
    import -window "$id" "$out/$1.png"
    # unshare ignores the signal while its child runs; the child is the namespace's first
    # process, which only SIGKILL reaches from outside, and everything in the namespace ends
    # with it.
    pkill -KILL -P "$tool" || true
    stop "$tool"
    tool=
    echo "$out/$1.png"
}

# batch_shot <file>: a batch of forty cards, answered slowly, grabbed while under way.
batch_shot() {
    yes 80756000080000000001 | head -n 40 | $in_language "$build/tarvik" --batch --jobs 4 >/dev/null &
    tool=$!
    sleep 1.5
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)
    import -window "$id" "$out/$1.png"
    stop "$tool"
    tool=
    echo "$out/$1.png"
}

for language in $languages; do
    out=docs/screenshots/$language
    mkdir -p "$out"
    # The tool in that language whatever the caller's locale says; env runs it in its own
    # process, so that stopping the process started stops the tool.
    in_language="env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=${language}_CH.UTF-8"
    # The windows' title in that language.
    case $language in
    de) title=Meldung ;;
    fr) title=Message ;;
    it) title=Messaggio ;;
    esac
    with_standin --delay-ms 250
    batch_shot batch-progress
    with_standin --fail silent
    shot progress 80756000080000000001
    with_standin
    shot rejected-characters 8075600008000000000X
    shot rejected-prefix 12345678901234567890
    shot rejected-length 80756123
    shot no-insured-person 80756000080000000060
    shot application-problem 80756000080000000067
    shot server-not-found 80756000080000000404
    shot unrecognised-reply 80756000080000000099
    with_standin --pad-to 17M
    shot reply-too-large 80756000080000000001
    with_standin none
    shot network-error 80756000080000000001
    reader_shot insert-card
done

#!/bin/sh
# SPDX-License-Identifier: MIT
# Shows every popup the tool can show, and the batch's progress window, each in a real run of the
# program under Xvfb, and grabs the window as PNG into docs/screenshots/<language>/. The card
# reader's failures come from a pcscd of their own (tests/pcscns.sh) with the virtual card.
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
xvfbs=
tool=
late=
stop() {
    for pid in "$@"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
# shellcheck disable=SC2086 # the lists of process ids are split on purpose
trap 'stop "$tool" $late $xvfbs; stop_standin; rm -rf "$work"' EXIT INT TERM

# start_xvfb <file>: an X server of its own, which picks a free display and writes its number
# into <file>, so that another X server here does not get in the way; returns once it has.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1" >/dev/null 2>&1 &
    xvfbs="$xvfbs $!"
    tries=0
    until [ -s "$1" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { echo "screenshots: Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
}
start_xvfb "$work/display"
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
    need_standin screenshots "$build/hin-standin" "$work/standin.log" --samples "$work/samples" "$@"
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

# reader_shot <file> [card file]: the popup that asks for the card, beside a pcscd of its own (in
# namespaces of its own, tests/pcscns.sh), grabbed while the wait goes on: without readers, or
# with this card of another kind put in a second after the start, once the popup has told of it.
reader_shot() {
    if [ -n "${2:-}" ]; then
        { cat "$2" && echo "insert-after: 1"; } >"$work/card"
        # shellcheck disable=SC2016 # expanded by the shell inside the namespaces
        $in_language sh tests/pcscns.sh sh -c '"$1" "$2" & exec "$3" --reader' shot \
            "$build/hin-vcard" "$work/card" "$build/tarvik" >/dev/null 2>&1 &
    else
        $in_language sh tests/pcscns.sh --readers none "$build/tarvik" --reader >/dev/null &
    fi
    tool=$!
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)
    [ -z "${2:-}" ] || sleep 2.5 # the card is put in and refused
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

# reader_failure_shot <file> <readers> [card file [held]]: the failure popup of a reading beside a
# pcscd with these readers (see tests/pcscns.sh) and this virtual card (standin/cards/) in the
# first; "held": another program holds the card for itself from the start (tests/reader/
# hold_card.py). It follows the popup that asks for the card, at once or when the wait of 60 s is
# over; so each runs in the background on a display of its own, all at the same time and beside
# the other shots, and the script waits for them at the end.
reader_failure_shot() {
    start_xvfb "$work/$language-$1.display"
    (
        DISPLAY=":$(cat "$work/$language-$1.display")"
        export DISPLAY
        # shellcheck disable=SC2016 # expanded by the shell inside the namespaces
        $in_language sh tests/pcscns.sh --readers "$2" sh -c '[ -z "$3" ] || "$1" "$3" &
            [ -z "$4" ] || { /usr/bin/python3 tests/reader/hold_card.py 60 >/run/pcscd/held &
                until grep -q held /run/pcscd/held; do sleep 0.05; done; }
            exec "$2" --reader' shot "$build/hin-vcard" "$build/tarvik" "${3:-}" "${4:-}" \
            >/dev/null 2>&1 &
        tool=$!
        # The popup that asks for the card hides when the failure shows in a window of its own.
        end=$(($(date +%s) + 90))
        until [ "$(xdotool search --name "^$title\$" | wc -l)" -ge 2 ] &&
            id=$(xdotool search --onlyvisible --name "^$title\$" | head -1) && [ -n "$id" ]; do
            [ "$(date +%s)" -lt "$end" ] || { echo "screenshots: no failure popup for $out/$1" >&2; exit 1; }
            sleep 0.2
        done
        sleep 0.5 # let it paint
        import -window "$id" "$out/$1.png"
        pkill -KILL -P "$tool" || true # see reader_shot
        wait "$tool" || true
        echo "$out/$1.png"
    ) &
    late="$late $!"
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

# use_language <language>: the folder of the shots, and the tool and its windows' title in that
# language.
use_language() {
    language=$1
    out=docs/screenshots/$language
    mkdir -p "$out"
    # The tool in that language whatever the caller's locale says; env runs it in its own
    # process, so that stopping the process started stops the tool.
    in_language="env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=${language}_CH.UTF-8"
    case $language in
    de) title=Meldung ;;
    fr) title=Message ;;
    it) title=Messaggio ;;
    esac
}

# The card reader's failures first, as they run in the background (see reader_failure_shot). A
# new failure of the reader gets its line here, and its row in the README's table.
for language in $languages; do
    use_language "$language"
    reader_failure_shot reader-no-service no-service
    reader_failure_shot reader-no-reader none
    reader_failure_shot reader-no-card vpcd
    reader_failure_shot reader-not-insurance-card vpcd standin/cards/egk
    reader_failure_shot reader-unreadable vpcd standin/cards/mute
    reader_failure_shot reader-card-held vpcd standin/cards/regular held
    reader_failure_shot reader-faulty-data vpcd standin/cards/overrun
done

for language in $languages; do
    use_language "$language"
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
    reader_shot insert-card-other standin/cards/egk
done

failed=0
for shot in $late; do
    wait "$shot" || failed=1
done
late=
exit $failed

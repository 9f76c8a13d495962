# SPDX-License-Identifier: MIT
# shellcheck shell=sh
# The steps of a watch row, sourced by the row's script inside tests/pcscns.sh. The row ends with
# finish, which writes what the watch wrote, its notes and its exit status.
# T: the program, S: the stand-in, V: the virtual card, CARDS: the card files.
cd "$(mktemp -d)" || exit 1
# The watch needs no display.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
: >out
: >notes

standin() {
    : >standin.log
    "$S" --log --port 5016 "$@" >standin.log 2>&1 &
    until grep -q listening standin.log; do sleep 0.05; done
}

# insert <reader 0|1> <card file>; pull <reader>
insert() {
    "$V" --port $((35963 + $1)) "$CARDS/$2" 3>&- &
    eval "card$1=$!"
}
pull() { eval "kill \$card$1"; }

# watch [options]: the watch, its standard input a pipe that this shell alone holds open (what it
# starts later is started without it), once it is ready.
watch() {
    mkfifo in
    "$T" --watch "$@" <in >out 2>err &
    tarvik=$!
    exec 3>in
    await '"ready"'
}

# await <pattern> [count] [seconds] [file]: until the file (the watch's lines) has count lines with
# the pattern, noted if it takes longer than the seconds.
await() {
    tries=$((${3:-10} * 10))
    until [ "$(grep -c -- "$1" "${4:-out}")" -ge "${2:-1}" ]; do
        [ $((tries -= 1)) -gt 0 ] || { echo "no $1 within ${3:-10} s" >>notes && return; }
        sleep 0.1
    done
}

# seen <reader>; gone <reader>: until the service has said so of the card in that reader, with a
# moment for its word to reach the watch.
seen() { await "Card inserted into Virtual PCD 00 0$1" 1 10 /run/pcscd/harness.log && sleep 0.3; }
gone() { await "Card Removed From Virtual PCD 00 0$1" 1 10 /run/pcscd/harness.log && sleep 0.3; }

# requests: notes how many the stand-in has been sent.
requests() { echo "requests: $(grep -c carte= standin.log)" >>notes; }

# pcscd_stop; pcscd_start: the service gone, and a new one.
pcscd_stop() {
    kill "$PCSCNS_PCSCD"
    while kill -0 "$PCSCNS_PCSCD" 2>/dev/null; do sleep 0.05; done
}
pcscd_start() {
    pcscd --foreground --config "$PCSCNS_CONFIG" >/dev/null 2>&1 3>&- &
    PCSCNS_PCSCD=$!
}

# finish <stdin|TERM|INT|HUP>: ends the watch so, noting an end later than 2 s; one that has not
# ended after 4 s is killed.
finish() {
    case $1 in
    stdin) exec 3>&- ;;
    *) kill -"$1" "$tarvik" ;;
    esac
    since=$(date +%s%N)
    (sleep 4 && kill -KILL "$tarvik") 2>/dev/null &
    wait "$tarvik"
    status=$?
    took=$((($(date +%s%N) - since) / 1000000))
    [ "$took" -lt 2000 ] || echo "ended after $took ms" >>notes
    cat out notes
    sed 's/^/stderr: /' err
    echo "exit $status"
}

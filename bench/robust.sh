#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the real program against each misbehaving proxy of the stand-in and prints, per row, the
# time to the end of the run, the peak resident memory, the exit status, and what reached
# standard output and error. Not a test: the slow rows take a minute or more each.
# Runs in a private network namespace of its own, so it never meets a real HIN Client.
# Usage: bench/robust.sh [build dir] [row ...]   (rows: see the case below; default all)
set -u
. "$(dirname "$0")/standin.sh"
ROWS=${*:-"record drip drip-chunked header-flood many-headers status-302 status-206 reason-forged reason-1m utf16-label dev-full stdout-closed pipe-gone"}
CARD=80756000080000000001

# measure <row> <shell redirection> : runs tarvik with the given redirection of stdout
measure() {
    row=$1
    redirect=$2
    : >"$OUT/out"
    # The group keeps the program's own status, also where a pipe follows.
    /usr/bin/time -f "%e %M" -o "$OUT/time" \
        sh -c "{ \"$BUILD/tarvik\" $CARD; echo \$? >\"$OUT/status\"; } $redirect" 2>"$OUT/err"
    read -r secs kib <"$OUT/time"
    read -r status <"$OUT/status"
    # Control bytes other than tab and line feed would show as "ctl".
    ctl=$(tr -d '\t\n' <"$OUT/out" | tr -d '\040-\176\200-\377' | wc -c)
    printf '%-14s %7s s %8s KiB  exit %s  stdout: %s bytes, %s ctl, %s  stderr: %s\n' "$row" \
        "$secs" "$kib" "$status" "$(wc -c <"$OUT/out")" "$ctl" \
        "$(head -c 120 "$OUT/out" | tr '\t\n' '  ' | cut -c1-50)" \
        "$(grep -v '^Warning' "$OUT/err" | head -c 200 | tr '\n' ' ')"
}

for row in $ROWS; do
    case $row in
    drip | drip-chunked | header-flood | many-headers) standin --fail "$row" ;;
    status-*) standin --fail "$row" ;;
    reason-forged) standin --fail http-500 --reason 'Bad\r\nOfac ID\t "1" \e[2J' ;;
    reason-1m) standin --fail http-500 --reason 'x' --reason-pad-to 1M ;;
    utf16-label)
        # The sample in ISO-8859-1, without a declared encoding, labelled UTF-16.
        mkdir -p "$OUT/latin1"
        sed 's/ encoding="[^"]*"//' "$(dirname "$0")/../standin/samples/$CARD.xml" |
            iconv -f UTF-8 -t ISO-8859-1 >"$OUT/latin1/$CARD.xml"
        standin --samples "$OUT/latin1" --content-type 'text/xml; charset=utf-16'
        ;;
    *) standin ;;
    esac
    case $row in
    dev-full) measure "$row" '>/dev/full' ;;
    stdout-closed) measure "$row" '>&-' ;;
    pipe-gone) measure "$row" '| true' ;;
    *) measure "$row" ">\"$OUT/out\"" ;;
    esac
    kill "$STANDIN"
    wait "$STANDIN" 2>/dev/null
done
rm -rf "$OUT" "$XDG_RUNTIME_DIR"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the real program's --batch through each misbehaving run (a proxy that blocks
# the toolkit, a slow reader, signals, large inputs and replies, standard output closed) and
# prints, per row, the time to the end of the run, the peak resident memory, the exit status, and
# the outcomes of the lines in order. Not a test: the blocking rows take the watchdog's 90 s.
# Runs in a private network namespace of its own, so it never meets a real HIN Client.
# Usage: bench/batch_rows.sh [build dir] [row ...]   (rows: see the case below; default all)
set -u
. "$(dirname "$0")/standin.sh"
ROWS=${*:-"block-one block-three block-mix slow-reader sigterm-open sigint-open sighup-open sighup-run line-64m line-56m six-15m stdout-closed json-platform"}
A=80756000080000000001
J=80756015620000000002
U=80756000080000000060
B=80756000080000000007
T=$BUILD/tarvik

# measure <row> <command> : the command reads $OUT/in and writes the lines to $OUT/out; its own
# status is the program's.
measure() {
    /usr/bin/time -f "%e %M" -o "$OUT/time" bash -o pipefail -c "$2" <"$OUT/in" >"$OUT/out" \
        2>"$OUT/err"
    status=$?
    # The last line: /usr/bin/time puts a note of a non-zero status in front.
    read -r secs kib <<EOF
$(tail -n 1 "$OUT/time")
EOF
    outcomes=$(grep -o '"outcome":"[a-z-]*"' "$OUT/out" | cut -d'"' -f4 | uniq -c |
        awk '{printf "%s%s×%s", sep, $1, $2; sep=" "}')
    printf '%-14s %7s s %8s KiB  exit %s  lines %s: %s  requests %s  stderr: %s\n' "$1" "$secs" \
        "$kib" "$status" "$(wc -l <"$OUT/out")" "$outcomes" \
        "$(grep -c 'GET ' "$OUT/standin.err")" \
        "$(grep -v '^Warning' "$OUT/err" | head -c 120 | tr '\n' ' ')"
}

for row in $ROWS; do
    case $row in
    block-one) standin --fail many-headers --fail-card $B ;;
    block-*) standin --fail many-headers ;;
    sighup-run) standin --fail silent ;;
    six-15m) standin --pad-to 15M ;;
    *) standin ;;
    esac
    case $row in
    block-one) printf '%s\n' $A $J $B $A $J >"$OUT/in" ;;
    block-three) printf '%s\n' $A $J $U >"$OUT/in" ;;
    block-mix) printf '%s\n' $A $J $U 12345 $A $J $U 12345 >"$OUT/in" ;;
    slow-reader) for i in $(seq 2000); do echo $A; done >"$OUT/in" ;;
    line-64m | line-56m)
        mib=${row#line-}
        mib=${mib%m}
        head -c $((mib * 1048576 - 22)) /dev/zero | tr '\000' '\377' >"$OUT/in"
        printf '\n%s\n' $A >>"$OUT/in"
        ;;
    six-15m) printf '%s\n' $A $A $A $A $A $A >"$OUT/in" ;;
    *) printf '%s\n' $A $J >"$OUT/in" ;;
    esac
    case $row in
    block-one) measure "$row" "'$T' --batch --jobs 1" ;;
    block-three) measure "$row" "'$T' --batch --jobs 3" ;;
    slow-reader) measure "$row" "'$T' --batch | (sleep 95; cat)" ;;
    sig*-open)
        sig=${row#sig}
        sig=${sig%-open}
        measure "$row" "exec 3<&0; (cat <&3; sleep 8) | '$T' --batch & sleep 2; kill -$sig \$!; wait \$!"
        ;;
    sighup-run) measure "$row" "exec 3<&0; '$T' --batch <&3 & sleep 2; kill -HUP \$!; wait \$!" ;;
    six-15m) measure "$row" "'$T' --batch --jobs 6" ;;
    stdout-closed) measure "$row" "'$T' --batch >&-" ;;
    json-platform) measure "$row" "'$T' --json -platform offscreen $A" ;;
    *) measure "$row" "'$T' --batch" ;;
    esac
    kill "$STANDIN"
    wait "$STANDIN" 2>/dev/null
done
rm -rf "$OUT" "$XDG_RUNTIME_DIR"

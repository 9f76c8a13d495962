#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the README's Python example on what tarvik prints for every sample card of the stand-in. A
# record must come back field by field so that, written out again in tarvik's format, it gives
# tarvik's bytes; any other reply must read as no record.
# Usage: python_example_test.sh <build dir>
set -eu
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$source_dir/scripts/standin.sh"
build=$(cd "$1" && pwd)
example=$source_dir/docs/examples/read_record.py
samples=$source_dir/standin/samples
work=$(mktemp -d)
standin=
trap 'stop_standin; rm -rf "$work"' EXIT INT TERM
fail() {
    echo "$*" >&2
    exit 1
}
start_standin "$build/hin-standin" "$work/standin.log" --samples "$samples" || {
    cat "$work/standin.log" >&2
    exit 1
}

# The error popups stay for 8 s; the cards run side by side so that the test does not add them up.
pids=
for sample in "$samples"/*.xml; do
    card=$(basename "$sample" .xml)
    "$build/tarvik" "$card" >"$work/$card.out" 2>/dev/null &
    pids="$pids $!"
done
for pid in $pids; do wait "$pid"; done

rewrite='import json, sys
record = json.load(sys.stdin)
sys.stdout.buffer.write("".join("%s\t \"%s\" \n \n" % item for item in record.items()).encode())'
for sample in "$samples"/*.xml; do
    card=$(basename "$sample" .xml)
    status=0
    python3 "$example" - <"$work/$card.out" >"$work/$card.json" 2>"$work/$card.err" || status=$?
    [ ! -s "$work/$card.err" ] || fail "$card: $(cat "$work/$card.err")"
    if grep -q 'statut="0"' "$sample"; then
        [ "$status" -eq 0 ] || fail "$card: the record was not read"
        python3 -c "$rewrite" <"$work/$card.json" >"$work/$card.again"
        cmp -s "$work/$card.out" "$work/$card.again" || fail "$card: read differently:
$(cat "$work/$card.json")"
    else
        [ "$status" -eq 1 ] || fail "$card: read as a record"
    fi
done

# The example's own call of tarvik reads what tarvik prints.
python3 "$example" --tarvik "$build/tarvik" 80756000080000000003 >"$work/called.json" 2>/dev/null
cmp -s "$work/called.json" "$work/80756000080000000003.json" || fail "the example's call of tarvik"
echo "python example ok"

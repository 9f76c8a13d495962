#!/bin/sh
# SPDX-License-Identifier: MIT
# The card benchmark: from a card already in the reader to the record on standard output
# (tarvik --reader), beside the lookup of the same card's number (tarvik <number>), run after run
# in turn, on the virtual card through a private pcscd (tests/pcscns.sh) and the stand-in. A found
# record ends the run, so the run's wall time is the time to the record. Prints the medians of
# wall time, CPU time and peak memory of each and their ratios (bench/measure); asserts nothing.
# Usage: bench/card.sh      RUNS=N (default 30), BUILD=<dir> (default build)
set -eu
cd "$(dirname "$0")/.."
. bench/cardbench.sh
runs=${RUNS:-30}
card=80756000080000000001
vcard=
trap 'stop_standin; [ -z "$vcard" ] || kill "$vcard"; rm -rf "$work"' EXIT
"$build/hin-vcard" standin/cards/regular &
vcard=$!

# Once each, to see that both bring the record; the first read also lets pcscd power the card up.
for arguments in --reader "$card"; do
    "$build/tarvik" $arguments 2>/dev/null | grep -q '^Client AHV' || {
        echo "card: no record from tarvik $arguments" >&2
        exit 1
    }
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/measure" "$runs" reader "$build/tarvik --reader" number "$build/tarvik $card"

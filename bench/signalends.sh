#!/bin/sh
# SPDX-License-Identifier: MIT
# Ends card readings by a signal again and again, four at a time beside as many busy processors,
# each in a private pcscd with no card in (tests/pcscns.sh), and counts the runs that did not end
# with the reading's status 4 and its one line. A process that crashes as it ends, a thread of its
# own still in the card stack while the stack's library is torn down, shows here; a race this rare
# is no test's to catch. Prints what the odd runs wrote on standard error; asserts nothing.
# Usage: bench/signalends.sh      RUNS=N (default 200), BUILD=<dir> (default build), SIGNAL=HUP
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${BUILD:-build}" && pwd)
runs=${RUNS:-200}
export TARVIK="$build/tarvik" SIGNAL="${SIGNAL:-HUP}" QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
work=$(mktemp -d)
busy=
cleanup() {
    for process in $busy; do kill "$process"; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
for _ in 1 2 3 4; do
    sh -c 'while :; do :; done' &
    busy="$busy $!"
done

# one <n>: a reading ended by the signal once it catches it; its status and lines in $work/<n>.
one() {
    sh tests/pcscns.sh sh -c '"$TARVIK" --read-card >"$0.out" 2>"$0.err" & p=$!
        until [ $((0x$(sed -n "s/^SigCgt:\t*//p" /proc/$p/status) >> 14 & 1)) = 1 ]; do
            sleep 0.05
        done
        kill -"$SIGNAL" $p
        wait $p
        echo $? >"$0.status"' "$work/$1" >/dev/null 2>&1
}

n=0
while [ $n -lt "$runs" ]; do
    pids=
    for i in 0 1 2 3; do
        one $((n + i)) &
        pids="$pids $!"
    done
    for pid in $pids; do wait "$pid"; done
    n=$((n + 4))
done
odd=0
for status in "$work"/*.status; do
    run=${status%.status}
    if [ "$(cat "$status")" != 4 ] || [ "$(wc -l <"$run.out")" != 1 ]; then
        odd=$((odd + 1))
        echo "exit $(cat "$status"), $(wc -l <"$run.out") lines: $(tr '\n' ' ' <"$run.err")"
    fi
done
echo "SIG$SIGNAL during --read-card: $n runs, $odd ended otherwise"

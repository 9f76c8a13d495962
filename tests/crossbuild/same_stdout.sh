#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the same end-to-end cases through a Qt 5 and a Qt 6 build of tarvik at once and compares
# their standard output and exit status byte for byte. Meant to run in a private network namespace
# (tests/netns.sh), where replies.py answers on the HIN Client's port.
# Usage: same_stdout.sh <Qt 5 tarvik> <Qt 6 tarvik> <samples dir>
set -u
qt5=$1
qt6=$2
samples=$3
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$qt5" ] || {
    echo "no Qt 5 build at $qt5 to compare with"
    exit 77
}
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT INT TERM

python3 "$here/replies.py" "$samples" >"$work/server.log" 2>&1 &
server=$!
tries=0
until grep -q listening "$work/server.log"; do
    if ! kill -0 "$server" 2>/dev/null || [ "$tries" -ge 200 ]; then
        cat "$work/server.log"
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
done

cases=
runs=
# run <case> [prefix command] -- <arguments...>: the case through both builds, in the background.
run() {
    name=$1
    shift
    prefix=
    while [ "$1" != -- ]; do
        prefix="$prefix $1"
        shift
    done
    shift
    cases="$cases $name"
    for v in 5 6; do
        eval program=\$qt$v
        # shellcheck disable=SC2086
        ($prefix "$program" "$@" >"$work/$name.$v" 2>/dev/null
            echo "exit status $?" >>"$work/$name.$v") &
        runs="$runs $!"
    done
}

run record -- 80756000080000000001
run record-man -- 80756015620000000002
run unknown-person -- 80756000080000000060
run application-problem -- 80756000080000000067
run error-page -- 80756000080000000404
run http-404 -- 80756000000000000404
run http-500 -- 80756000000000000500
run proxy-authentication -- 80756000000000000407
run status-without-reason -- 80756000000000000503
run redirect -- 80756000000000000302
run closed -- 80756000000000000100
run gzip -- 80756000000000000201
run corrupt-gzip -- 80756000000000000202
run gzip-ratio -- 80756000000000000203
run latin-1 -- 80756000000000000204
run cesu-8 -- 80756000000000000205
run rejected -- "80756 123"
run emoji-cut -- "$(printf '8075600008000000000\360\237\230\200')"
run empty -- ""
run usage --
run help -- --help
run version -- --version
# Nothing listens in a namespace of its own.
run refused sh "$here/../netns.sh" -- 80756000080000000001
# shellcheck disable=SC2086
wait $runs

passed=0
failed=0
for name in $cases; do
    if cmp -s "$work/$name.5" "$work/$name.6"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "$name: Qt 5 and Qt 6 differ"
        for v in 5 6; do
            echo "  Qt $v:"
            od -c "$work/$name.$v" | head -8 | sed 's/^/    /'
        done
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/bin/sh
# SPDX-License-Identifier: MIT
# A test program split into several CTest entries runs only the functions and rows they name: this
# fails when it has one that none of them names, as that one would never run. For programs whose
# data functions start nothing (-datatags runs them).
# Usage: named.sh <test program> <function | function:row>...
set -eu
program=$1
shift
"$program" -datatags | {
    status=0
    while read -r _ function row; do
        named=false
        for entry in "$@"; do
            [ "$entry" = "$function" ] || [ "$entry" = "$function:$row" ] && named=true
        done
        $named || { echo "named.sh: no CTest entry runs $function${row:+:$row}" >&2 && status=1; }
    done
    exit $status
}

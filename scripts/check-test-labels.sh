#!/bin/sh
# SPDX-License-Identifier: MIT
# Lists the CTest entries of a build that carry none of the test labels (see tarvik_test in
# tests/CMakeLists.txt), which `ctest -L <label>` would never pick and `make test` would run
# whatever they are. Exit status 1 when there is one, so that `make test` stops before it runs.
# Usage: scripts/check-test-labels.sh <build dir>
set -eu
labels='^(unit|e2e|reader|package|slow)$'
unlabelled=$(cd "$1" && ctest -N -LE "$labels" | sed -n 's/^ *Test *#[0-9]*: //p')
[ -z "$unlabelled" ] && exit 0
echo "check-test-labels: these tests have no label of $labels (see tarvik_test):" >&2
echo "$unlabelled" >&2
exit 1

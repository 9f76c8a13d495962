#!/bin/sh
# SPDX-License-Identifier: MIT
# Looks up a sample card through the stand-in: starts hin-standin on the HIN Client's port,
# runs the tool on the card, shows what it wrote to standard output, and stops the stand-in.
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}
card=${1:-80756000080000000001}

. scripts/standin.sh
demo_environment
log=$(mktemp)
standin=
trap 'stop_standin; rm -f "$log"' EXIT INT TERM
# Port 5016 may be taken, e.g. by a real HIN Client: then say so instead of looking up elsewhere.
need_standin demo "$build/hin-standin" "$log" --log

echo "\$ $build/tarvik $card"
status=0
"$build/tarvik" "$card" || status=$?
echo "(exit status $status)"

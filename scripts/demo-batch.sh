#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the sample cards in one batch through the stand-in: starts hin-standin on the HIN
# Client's port, pipes every sample card (and one number that fails its checks) into
# tarvik --batch, shows the JSON lines it writes, and stops the stand-in.
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}

. scripts/standin.sh
demo_environment
log=$(mktemp)
cards=$(mktemp)
standin=
trap 'stop_standin; rm -f "$log" "$cards"' EXIT INT TERM
# A short delay per reply, so that the progress window can be seen moving.
need_standin demo-batch "$build/hin-standin" "$log" --delay-ms "${DELAY_MS:-200}"

for sample in standin/samples/*.xml; do
    basename "$sample" .xml
done >"$cards"
echo "80756 123" >>"$cards"

echo "\$ $build/tarvik --batch --jobs 4 < cards.txt"
sed 's/^/    /' "$cards"
status=0
"$build/tarvik" --batch --jobs 4 <"$cards" || status=$?
echo "(exit status $status: 0 when every card was found, unknown or rejected, 4 otherwise)"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Shows the whole path from the card to the record: in namespaces of their own (tests/pcscns.sh),
# a pcscd with the virtual reader, the virtual card in it (hin-vcard) and the stand-in on the HIN
# Client's port; the tool reads the card, looks it up and prints the record. Neither the
# machine's pcscd nor a real reader or HIN Client is touched.
# Usage: scripts/demo-card.sh [card file]   (default standin/cards/regular; BUILD: build folder)
set -eu
cd "$(dirname "$0")/.."
build=${BUILD:-build}
card=${1:-standin/cards/regular}

if [ "${DEMO_CARD_INSIDE:-}" != 1 ]; then
    if ! unshare -rnm true 2>/dev/null; then
        echo "demo-card: this machine allows no private user, network and mount namespaces" >&2
        echo "demo-card: (unshare -rnm), so pcscd cannot run beside the machine's own." >&2
        exit 1
    fi
    DEMO_CARD_INSIDE=1 exec sh tests/pcscns.sh sh "$0" "$card"
fi
unset DEMO_CARD_INSIDE

. scripts/standin.sh
# A private /run (see pcscns.sh) may have hidden the session's runtime folder.
[ -d "${XDG_RUNTIME_DIR:-}" ] || unset XDG_RUNTIME_DIR
demo_environment
log=$(mktemp)
standin=
vcard=
trap 'stop_standin; [ -z "$vcard" ] || kill "$vcard" 2>/dev/null; rm -f "$log"' EXIT INT TERM
need_standin demo-card "$build/hin-standin" "$log"
"$build/hin-vcard" "$card" &
vcard=$!
echo "(virtual card: $card)"

echo "\$ $build/tarvik --reader"
status=0
"$build/tarvik" --reader || status=$?
echo "(exit status $status)"

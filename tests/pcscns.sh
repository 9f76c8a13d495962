#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a command beside a pcscd of its own, in private network, mount and process namespaces
# (loopback up, a tmpfs on /run/pcscd), so that it never meets the machine's pcscd or a real
# reader, and nothing started inside outlives it.
# Usage: pcscns.sh [--readers vpcd|none|no-service] <command> [arguments...]
#   vpcd (default): the two readers of vsmartcard-vpcd; a card program connects to
#   127.0.0.1:35963 (the second reader: 35964). none: pcscd without readers. no-service: no pcscd.
# The command finds pcscd's process number in PCSCNS_PCSCD (to end it as a crash would), its reader
# configuration in PCSCNS_CONFIG (to start another), and its log, with every command a client
# sends, in /run/pcscd/harness.log (to wait for one).
# Exit status: the command's; 125 when pcscd is missing or not ready within 5 s (its log goes to
# stderr); another one with a message when the namespaces cannot be set up.
set -e
readers=vpcd
[ "${1:-}" = --readers ] && readers=$2 && shift 2
case $readers in
vpcd) conf=/etc/reader.conf.d/vpcd ;; # Debian's file; only it, so no serial reader comes along
none) conf=/dev/null ;;
no-service) ;;
*) echo "pcscns: --readers wants vpcd, none or no-service, not \"$readers\"" >&2 && exit 2 ;;
esac
[ "$readers" != vpcd ] || [ -f "$conf" ] || { echo "pcscns: no $conf: vsmartcard-vpcd?" >&2 && exit 125; }
# Inside, this shell is the first process of the new process namespace: number 1.
[ "${PCSCNS_INSIDE:-}" = "$$" ] ||
    exec env PCSCNS_INSIDE=1 unshare -rnmpf --kill-child sh "$0" --readers "$readers" "$@"
unset PCSCNS_INSIDE
ip link set lo up
# A process namespace wants its own /proc: the leak checker reads /proc/<its own number>, which
# would otherwise be the machine's process of that number, or none.
mount -t proc proc /proc 2>/dev/null || {
    echo "pcscns: no private /proc here; leak checks are off inside" >&2
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}
# Without a pcscd service the folder may be missing; a private /run then holds one.
[ -d /run/pcscd ] || { mount -t tmpfs tmpfs /run && mkdir /run/pcscd; }
mount -t tmpfs tmpfs /run/pcscd && log=/run/pcscd/harness.log
[ ! -d /dev/bus/usb ] || mount -t tmpfs tmpfs /dev/bus/usb # hides real USB readers
[ "$readers" = no-service ] && { "$@"; exit; }
: >"$log" # there before the first look
pcscd --foreground --debug --config "$conf" >>"$log" 2>&1 &
export PCSCNS_PCSCD=$! PCSCNS_CONFIG="$conf"
tries=0
until grep -q 'daemon ready' "$log"; do
    [ $((tries += 1)) -le 100 ] && sleep 0.05 && continue
    cat "$log" >&2 && exit 125
done
status=0
"$@" || status=$?
{ kill "$PCSCNS_PCSCD" 2>/dev/null && wait "$PCSCNS_PCSCD"; } || true
exit $status

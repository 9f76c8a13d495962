#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the two Debian packages, unpacks both into a temporary root and looks up a sample card
# with the unpacked program through the unpacked stand-in and its packaged samples: what a vendor
# gets is what works. Their files and manual pages are lintian's to check (make lintian).
# Usage: package_test.sh <build dir> <Qt major version of the build>
set -eu
. "$(dirname "$0")/../../scripts/standin.sh"
build=$(cd "$1" && pwd)
qt=$2
root=$(mktemp -d)
standin=
trap 'stop_standin; rm -rf "$root"' EXIT INT TERM
fail() { echo "$*" >&2 && exit 1; }

(cd "$root" && cpack --config "$build/CPackConfig.cmake" -B "$root/out" >/dev/null)
tool_deb=$(ls "$root"/out/tarvik_*_amd64.deb)
# A package depends on the Qt it was built with, and on no other.
dpkg-deb -f "$tool_deb" Depends | grep -q "libqt${qt}network${qt}" || fail "Depends lacks Qt $qt"
! dpkg-deb -f "$tool_deb" Depends | grep -q "libqt$((11 - qt))" || fail "Depends names Qt $((11 - qt))"
# The invented sample persons stay off practice machines: the program's package has none.
! dpkg-deb -c "$tool_deb" | grep -q 'standin\|samples' || fail "tarvik carries the stand-in"
dpkg -x "$tool_deb" "$root/fs"
dpkg -x "$(ls "$root"/out/tarvik-standin_*_amd64.deb)" "$root/fs"
[ -f "$root/fs/usr/share/tarvik-standin/cards/regular" ] || fail "the stand-in lacks its cards"

# Debian's hardening that lintian reports only as information: immediate binding, the stack
# protector and fortified library calls.
for program in tarvik hin-standin hin-vcard; do
    elf=$root/fs/usr/bin/$program
    readelf -dW "$elf" | grep -q 'BIND_NOW' || fail "$program: not linked with -z now"
    readelf --dyn-syms -W "$elf" | grep -q '__stack_chk_fail' || fail "$program: no stack protector"
    readelf --dyn-syms -W "$elf" | grep -q '__[a-z]*printf_chk' || fail "$program: not fortified"
done

start_standin "$root/fs/usr/bin/hin-standin" "$root/standin.log" || fail "$(cat "$root/standin.log")"
"$root/fs/usr/bin/tarvik" 80756000080000000001 >"$root/record.txt"
[ "$(grep -c "$(printf '^[A-Za-z .]*\t "')" "$root/record.txt")" -eq 12 ] ||
    fail "not a record: $(cat "$root/record.txt")"
echo "package ok"

#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the two Debian packages, unpacks both into a temporary root and looks up a sample card
# with the unpacked program through the unpacked stand-in: what a vendor gets is what works.
# Usage: package_test.sh <build dir> <Qt major version of the build>
set -eu
. "$(dirname "$0")/../../scripts/standin.sh"
build=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'stop_standin; rm -rf "$root"' EXIT INT TERM
standin=
fail() {
    echo "$*" >&2
    exit 1
}

(cd "$root" && cpack --config "$build/CPackConfig.cmake" -B "$root/out" >/dev/null)
tool_deb=$(ls "$root"/out/tarvik_*_amd64.deb)
standin_deb=$(ls "$root"/out/tarvik-standin_*_amd64.deb)
# A package depends on the Qt it was built with, and on no other.
qt=$2
dpkg-deb -f "$tool_deb" Depends | grep -q "libqt${qt}network${qt}" || fail "Depends lacks Qt $qt"
! dpkg-deb -f "$tool_deb" Depends | grep -q "libqt$((11 - qt))" || fail "Depends names Qt $((11 - qt)) too"

# holds <deb> <file>...: each file is in that package.
holds() {
    _deb=$1
    shift
    dpkg-deb -c "$_deb" | awk '{ print $6 }' >"$root/contents"
    for _f in "$@"; do
        grep -qx "./$_f" "$root/contents" || fail "$(basename "$_deb") lacks /$_f"
    done
}
holds "$tool_deb" usr/bin/tarvik usr/share/man/man1/tarvik.1.gz usr/share/doc/tarvik/copyright \
    usr/share/doc/tarvik/changelog.Debian.gz
holds "$standin_deb" usr/bin/hin-standin usr/share/man/man1/hin-standin.1.gz \
    usr/share/doc/tarvik-standin/copyright usr/share/doc/tarvik-standin/changelog.Debian.gz \
    usr/share/tarvik-standin/samples/80756000080000000001.xml usr/bin/hin-vcard \
    usr/share/man/man1/hin-vcard.1.gz usr/share/tarvik-standin/cards/regular
# The invented sample persons stay off practice machines: the program's package has none.
! dpkg-deb -c "$tool_deb" | grep -q 'standin\|samples' || fail "tarvik carries the stand-in"
dpkg -x "$tool_deb" "$root/fs"
dpkg -x "$standin_deb" "$root/fs"

# Debian's hardening, as lintian reports it only as information: immediate binding, read-only
# relocations, the stack protector and fortified library calls.
for program in tarvik hin-standin hin-vcard; do
    elf=$root/fs/usr/bin/$program
    readelf -dW "$elf" | grep -q 'BIND_NOW' || fail "$program: not linked with -z now"
    readelf -lW "$elf" | grep -q 'GNU_RELRO' || fail "$program: not linked with -z relro"
    readelf --dyn-syms -W "$elf" | grep -q '__stack_chk_fail' || fail "$program: no stack protector"
    readelf --dyn-syms -W "$elf" | grep -q '__[a-z]*printf_chk' || fail "$program: not fortified"
done

# The unpacked stand-in finds its samples beside itself, as an installed one does (its help names
# them as the default, in lines wrapped at blanks).
"$root/fs/usr/bin/hin-standin" --help | tr -d ' \n' | grep -qF "$root/fs/usr/share/tarvik-standin/samples" ||
    fail "hin-standin does not find the packaged samples"
start_standin "$root/fs/usr/bin/hin-standin" "$root/standin.log" || {
    cat "$root/standin.log" >&2
    exit 1
}

"$root/fs/usr/bin/tarvik" 80756000080000000001 >"$root/record.txt"
lines=$(grep -c "$(printf '^[A-Za-z .]*\t "')" "$root/record.txt")
[ "$lines" -eq 12 ] || { echo "expected 12 record lines, got $lines:" >&2; cat "$root/record.txt" >&2; exit 1; }
"$root/fs/usr/bin/tarvik" --help | grep -q '127.0.0.1:5016' || fail "tarvik --help"
[ "$("$root/fs/usr/bin/tarvik" -h)" = "$("$root/fs/usr/bin/tarvik" --help)" ] || fail "tarvik -h"
"$root/fs/usr/bin/hin-standin" --version | grep -q '^License: MIT' || fail "hin-standin --version"
MANWIDTH=80 man -l "$root/fs/usr/share/man/man1/tarvik.1.gz" 2>/dev/null | grep -q "OUTPUT FORMAT" ||
    fail "tarvik.1.gz"
MANWIDTH=80 man -l "$root/fs/usr/share/man/man1/hin-standin.1.gz" 2>/dev/null |
    grep -q "SAMPLE CARDS" || fail "hin-standin.1.gz"
echo "package ok: $(basename "$tool_deb") $(basename "$standin_deb")"

#!/bin/sh
# Builds the Debian package, unpacks it into a temporary root and looks up a sample card with the
# unpacked program through the unpacked stand-in: what a vendor gets is what works.
# Usage: package_test.sh <build dir> <Qt major version of the build>
set -eu
. "$(dirname "$0")/../../scripts/standin.sh"
build=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'stop_standin; rm -rf "$root"' EXIT INT TERM
standin=

(cd "$root" && cpack --config "$build/CPackConfig.cmake" -B "$root/out" >/dev/null)
deb=$(ls "$root"/out/tarvik_*_amd64.deb)
# A package depends on the Qt it was built with, and on no other.
qt=$2
dpkg-deb -f "$deb" Depends | grep -q "libqt${qt}network${qt}" || { echo "Depends lacks Qt $qt" >&2; exit 1; }
if dpkg-deb -f "$deb" Depends | grep -q "libqt$((11 - qt))"; then
    echo "Depends names Qt $((11 - qt)) too" >&2
    exit 1
fi
dpkg -x "$deb" "$root/fs"

for f in usr/bin/tarvik usr/bin/hin-standin usr/share/man/man1/tarvik.1; do
    [ -e "$root/fs/$f" ] || { echo "package lacks /$f" >&2; exit 1; }
done
ls "$root"/fs/usr/share/tarvik/samples/*.xml >/dev/null

# The unpacked stand-in finds its samples beside itself, as an installed one does.
start_standin "$root/fs/usr/bin/hin-standin" "$root/standin.log" || {
    cat "$root/standin.log" >&2
    exit 1
}

"$root/fs/usr/bin/tarvik" 80756000080000000001 >"$root/record.txt"
lines=$(grep -c "$(printf '^[A-Za-z .]*\t "')" "$root/record.txt")
[ "$lines" -eq 12 ] || { echo "expected 12 record lines, got $lines:" >&2; cat "$root/record.txt" >&2; exit 1; }
"$root/fs/usr/bin/tarvik" --version | grep -q '^tarvik [0-9]'
"$root/fs/usr/bin/tarvik" --help | grep -q '127.0.0.1:5016'
MANWIDTH=80 man -l "$root/fs/usr/share/man/man1/tarvik.1" 2>/dev/null | grep -q "OUTPUT FORMAT"
echo "package ok: $(basename "$deb")"

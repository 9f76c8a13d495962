#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian packages of one commit twice with `make package`, each in a fresh clone, one
# after the other (so at different times), in folders of different names and depths, under
# different umasks and time zones, and checks that the two builds give the same tarvik and
# tarvik-standin packages byte for byte, every file in them dated with the commit's time. The
# tests are not built (they are not packaged), and no compiler cache is used: a cached object
# would hide what the compiler makes.
#
# Usage: scripts/check-reproducible.sh [<commit>]    default HEAD; uncommitted changes are not built
#   QT=6 builds against Qt 6. JOBS=<n> sets the build's parallel jobs (default: nproc).
# A distributor checks a package the same way: build the commit it was made from and compare the
# sha256 sums printed here with the package's.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse --verify "${1:-HEAD}^{commit}")
qt=${QT:-5}
jobs=${JOBS:-$(nproc)}
unset CMAKE_CXX_COMPILER_LAUNCHER CCACHE_BASEDIR CCACHE_NOHASHDIR SOURCE_DATE_EPOCH

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-reproducible.XXXXXX")
keep=
trap '[ -n "$keep" ] || rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
fail() {
    keep=1
    echo "check-reproducible: $*" >&2
    exit 1
}

started=$(date +%s)
epoch=$(git -C "$repo" log -1 --format=%ct "$commit")
# What every file in the packages must be dated with, in tar's listing.
want_date=$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
    echo "check-reproducible: uncommitted changes in $repo are not part of this check" >&2
fi

# build <folder> <umask> <time zone>: clones the commit into <folder>, builds its packages there.
build() {
    echo "check-reproducible: building $commit in $1 (umask $2, TZ=$3) at $(date +%T)"
    (
        umask "$2"
        export TZ="$3"
        git clone -q --no-checkout "$repo" "$1"
        git -C "$1" checkout -q --detach "$commit"
        cmake -S "$1" -B "$1/build" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_QT_MAJOR="$qt"
        make -C "$1" package QT="$qt" BUILD=build JOBS="$jobs"
    ) >"$1.log" 2>&1 || fail "the build in $1 failed; see $1.log"
}

first=$work/one
second=$work/second-build/in/a/deeper/folder
mkdir -p "$(dirname "$second")"
build "$first" 022 UTC
build "$second" 077 Pacific/Chatham

status=0
for package in tarvik tarvik-standin; do
    set -- "$first/build/${package}"_*.deb "$second/build/${package}"_*.deb
    if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
        fail "not one $package package in each build: $*"
    fi
    sha256sum "$1" "$2"
    dates=$(dpkg-deb --fsys-tarfile "$1" | TZ=UTC tar -tv --full-time | awk '{print $4 " " $5}' | sort -u)
    [ "$dates" = "$want_date" ] ||
        fail "${1##*/}: files dated $(echo "$dates" | tr '\n' ' ')rather than the commit's $want_date UTC"
    if ! cmp -s "$1" "$2"; then
        echo "check-reproducible: ${1##*/} differs between the two builds; to see where:" >&2
        echo "  diffoscope $1 $2   (apt-get install diffoscope-minimal)" >&2
        echo "  or: cmp $1 $2; dpkg-deb -c on each, and cmp the unpacked files" >&2
        status=1
    fi
done
[ $status -eq 0 ] || fail "the packages are not reproducible; both builds are kept in $work"
echo "check-reproducible: both builds gave the same packages, dated $want_date UTC" \
    "($(($(date +%s) - started)) s)"

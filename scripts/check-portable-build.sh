#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the working tree as on a system without Debian's dpkg-buildflags: configured with a PATH
# that holds every program of this one but dpkg-buildflags, so that CMake must bring the hardening
# flags itself. Installs with `cmake --install --prefix` (no CPack) into a temporary folder and
# checks what a packager checks: the programs, manual pages and translations are where
# GNUInstallDirs puts them, each executable is hardened (PIE, full RELRO, immediate binding,
# stack protector, fortified calls), and no build or source folder is named in them.
#
# Usage: scripts/check-portable-build.sh     QT=6 builds against Qt 6; JOBS=<n> (default: nproc)
# A compiler launcher such as ccache (CMAKE_CXX_COMPILER_LAUNCHER) is used when set, but not
# ccache's base_dir: it rewrites the source paths into relative ones that the prefix maps miss.
set -eu
unset CCACHE_BASEDIR

repo=$(cd "$(dirname "$0")/.." && pwd)
qt=${QT:-5}
jobs=${JOBS:-$(nproc)}
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-portable.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
fail() {
    echo "check-portable-build: $*" >&2
    exit 1
}
started=$(date +%s)

mkdir "$work/bin"
old_ifs=$IFS
IFS=:
for dir in $PATH; do
    for program in "$dir"/*; do
        name=${program##*/}
        if [ "$name" != dpkg-buildflags ] && [ -f "$program" ] && [ -x "$program" ] &&
            [ ! -e "$work/bin/$name" ]; then
            ln -s "$program" "$work/bin/$name"
        fi
    done
done
IFS=$old_ifs
PATH=$work/bin
export PATH
! command -v dpkg-buildflags >/dev/null || fail "dpkg-buildflags is still on the PATH"

build=$work/build
prefix=$work/prefix
log=$work/build.log
{
    cmake -S "$repo" -B "$build" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_QT_MAJOR="$qt" &&
        cmake --build "$build" -j "$jobs" &&
        cmake --install "$build" --prefix "$prefix"
} >"$log" 2>&1 || {
    tail -n 30 "$log" >&2
    fail "the build without dpkg-buildflags failed"
}
grep -q "Hardening: CMake's own flags" "$log" || fail "the build did not take CMake's own hardening flags"

# Where GNUInstallDirs puts them; the translations are built into the program.
for file in bin/tarvik bin/hin-standin bin/hin-vcard share/man/man1/tarvik.1.gz \
    share/man/man1/hin-standin.1.gz share/man/man1/hin-vcard.1.gz \
    share/tarvik-standin/samples/80756000080000000001.xml share/tarvik-standin/cards/regular; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
LANGUAGE=fr QT_QPA_PLATFORM=offscreen "$prefix/bin/tarvik" 2>&1 >/dev/null | grep -q '^Utilisation' ||
    fail "the installed program does not speak French"
# The help wraps the default folder's path; without the blanks it is whole again.
"$prefix/bin/hin-standin" --help | tr -d ' \n' | grep -qF "(default:$prefix/share/tarvik-standin/samples)" ||
    fail "the installed stand-in does not find its installed samples"

for program in tarvik hin-standin hin-vcard; do
    elf=$prefix/bin/$program
    readelf -hW "$elf" | grep -q 'Type: *DYN' || fail "$program: not a position-independent executable"
    readelf -lW "$elf" | grep -q 'GNU_RELRO' || fail "$program: no read-only relocations (-z relro)"
    readelf -dW "$elf" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || fail "$program: not linked with -z now"
    readelf --dyn-syms -W "$elf" | grep -q '__stack_chk_fail' || fail "$program: no stack protector"
    readelf --dyn-syms -W "$elf" | grep -Eq '__[a-z0-9_]+_chk(@|$| )' || fail "$program: not fortified"
    # Unstripped, with the debug information: the prefix maps must have renamed both folders.
    for folder in "$repo" "$work"; do
        ! grep -qF "$folder" "$elf" || fail "$program names the folder $folder"
    done
done
echo "check-portable-build: built and installed without dpkg-buildflags; hardened; no folder" \
    "names in the programs ($(($(date +%s) - started)) s)"

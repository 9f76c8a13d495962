#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the Debian packages that a make target needs and installs the missing ones as root.
# Quiet when everything is present. As a normal user it names exactly the missing packages and
# stops, so that nobody needs root for what is already there.
#
# Usage: scripts/install-deps.sh [--for <what needs them>] <group>...
#   e.g. scripts/install-deps.sh --for 'make test' build test package
set -eu

# One line a group: its name, then its packages. Each make target names the groups it uses (see
# the Makefile); a new group is a new line here and its name there. The build group covers
# `make package` too: dpkg-dev gives Debian's hardening flags (without it CMake brings its own)
# and the packages' library dependencies, file lets CPack find the binaries; qttools5-dev-tools
# has lrelease, which compiles the translations, and lupdate, which the translation test runs.
groups='
build        cmake make g++ qtbase5-dev qttools5-dev-tools dpkg-dev file pkg-config libpcsclite-dev
test         fonts-dejavu-core man-db python3 python3-jsonschema python3-pyscard iproute2 pcscd vsmartcard-vpcd
asan         libasan8 libubsan1
fuzz         clang libclang-rt-14-dev
clang        clang
lint         clang clang-format clang-tidy shellcheck
screenshots  xvfb xauth xdotool imagemagick fonts-dejavu-core
lintian      lintian
qt6          qt6-base-dev qt6-5compat-dev qt6-l10n-tools
'

what="this"
if [ "${1:-}" = --for ]; then
    what=$2
    shift 2
fi
[ $# -gt 0 ] || set -- build

wanted=""
for group in "$@"; do
    found=
    while read -r name packages; do
        if [ "$name" = "$group" ]; then
            wanted="$wanted $packages"
            found=1
        fi
    done <<EOT
$groups
EOT
    if [ -z "$found" ]; then
        echo "install-deps: unknown package group \"$group\"" >&2
        exit 2
    fi
done

missing=""
for p in $wanted; do
    case " $missing " in *" $p "*) continue ;; esac
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: $what needs these Debian packages, which are missing:$missing" >&2
    echo "install-deps: run 'sudo apt-get install$missing' or run it again as root." >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null

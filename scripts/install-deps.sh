#!/bin/sh
# Installs the Debian packages the build, the tests and the tooling need.
# Quiet when everything is present; needs root only when something is missing.
# Usage: install-deps.sh [qt6]   (qt6: also what the Qt 6 build and its tests need)
set -eu

packages="cmake make g++ pkg-config qtbase5-dev libqt5network5 xvfb xauth xdotool imagemagick fonts-dejavu-core
clang libclang-rt-14-dev dpkg-dev file man-db iproute2"
if [ "${1:-}" = qt6 ]; then
    # python3 answers the end-to-end cases that the Qt 6 build compares with the Qt 5 build.
    packages="$packages qt6-base-dev qt6-5compat-dev python3"
fi

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: these Debian packages are missing:$missing" >&2
    echo "install-deps: run 'sudo apt-get install$missing' or run make again as root." >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null

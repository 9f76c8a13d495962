#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a test in a private network namespace with a loopback of its own, so that it listens on
# the HIN Client's port 5016 without ever meeting a real HIN Client, and beside other such tests.
# Where the machine allows no such namespace, the test runs on the shared loopback; CTest then
# runs these tests one at a time (see tests/CMakeLists.txt).
# Usage: netns.sh <command> [arguments...]
if unshare -rn sh -c 'ip link set lo up' 2>/dev/null; then
    exec unshare -rn sh -c 'ip link set lo up && exec "$@"' netns "$@"
fi
echo "netns: no private network namespace here; the test uses the machine's port 5016" >&2
exec "$@"

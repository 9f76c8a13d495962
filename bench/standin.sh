# SPDX-License-Identifier: MIT
# shellcheck shell=sh
# Sourced by the benchmark scripts that play a proxy, first thing: it runs the script again in a
# private network namespace, so that it never meets a real HIN Client, takes the build folder from
# the first argument ($BUILD, default build/), and sets up a screenless toolkit, a scratch folder $OUT,
# and standin <options…>, which starts $BUILD/hin-standin on port 5016, its log of requests in
# $OUT/standin.err, and waits until it listens.
if [ "${BENCH_IN_NETNS:-}" != 1 ]; then
    # shellcheck disable=SC2016 # "$0" and "$@" are the inner shell's to expand
    BENCH_IN_NETNS=1 exec unshare -rn sh -c 'ip link set lo up && exec sh "$0" "$@"' "$0" "$@"
fi
BUILD=$(cd "${1:-build}" && pwd)
[ $# -gt 0 ] && shift
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
OUT=$(mktemp -d)

standin() {
    "$BUILD/hin-standin" --log "$@" >"$OUT/standin.out" 2>"$OUT/standin.err" &
    # shellcheck disable=SC2034 # for the scripts that source this one
    STANDIN=$!
    i=0
    until grep -q listening "$OUT/standin.out" 2>/dev/null || [ $i -ge 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
}

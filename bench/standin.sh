# SPDX-License-Identifier: MIT
# Sourced by the benchmark scripts that play a proxy: a screenless toolkit, a scratch folder $OUT,
# and standin <options…>, which starts $BUILD/hin-standin on port 5016, its log of requests in
# $OUT/standin.err, and waits until it listens.
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
OUT=$(mktemp -d)

standin() {
    "$BUILD/hin-standin" --log "$@" >"$OUT/standin.out" 2>"$OUT/standin.err" &
    STANDIN=$!
    i=0
    until grep -q listening "$OUT/standin.out" 2>/dev/null || [ $i -ge 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
}

# SPDX-License-Identifier: MIT
# shellcheck shell=sh
# Sourced first thing by the benchmarks on the virtual cards: runs the script again inside a
# private pcscd with the two virtual readers (tests/pcscns.sh), then sets $build (BUILD, default
# build), lets the toolkit draw off screen, makes a scratch folder $work (removed at the end) and
# starts the stand-in on the HIN Client's port ($standin). The script is in the source folder.
if [ -z "${BENCH_IN_PCSCNS:-}" ]; then
    BENCH_IN_PCSCNS=1 exec sh tests/pcscns.sh sh "$0" "$@"
fi
. scripts/standin.sh
build=${BUILD:-build}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
work=$(mktemp -d)
standin=
trap 'stop_standin; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
need_standin bench "$build/hin-standin" "$work/standin.log"

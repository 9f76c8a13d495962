# SPDX-License-Identifier: MIT
# shellcheck shell=sh
# Sourced by the scripts that need the stand-in on the HIN Client's port.
#
# start_standin <program> <log file> [stand-in options...]
#   Starts the stand-in on 127.0.0.1:5016 in the background, sets $standin to its process id and
#   returns once it listens. Returns 1, with $standin empty, when it exits first (the port is
#   taken, e.g. by a real HIN Client) or does not listen within ten seconds; the log says why.
start_standin() {
    _program=$1
    _log=$2
    shift 2
    : >"$_log" # there before the first look, however late the program starts
    "$_program" --port 5016 "$@" >"$_log" 2>&1 &
    standin=$!
    _tries=0
    until grep -q listening "$_log"; do
        if ! kill -0 "$standin" 2>/dev/null || [ "$_tries" -ge 200 ]; then
            kill "$standin" 2>/dev/null || true
            wait "$standin" 2>/dev/null || true
            standin=
            return 1
        fi
        _tries=$((_tries + 1))
        sleep 0.05
    done
}

# need_standin <who> <program> <log file> [stand-in options...]
#   start_standin, or ends the script with "<who>: the stand-in did not start:" and the log on
#   standard error.
need_standin() {
    _who=$1
    shift
    start_standin "$@" && return 0
    echo "$_who: the stand-in did not start:" >&2
    cat "$2" >&2
    exit 1
}

# stop_standin: stops the stand-in started last, if any.
stop_standin() {
    [ -n "${standin:-}" ] || return 0
    kill "$standin" 2>/dev/null || true
    wait "$standin" 2>/dev/null || true
    standin=
}

# demo_environment: lets the tool run on a machine without a screen (windows drawn off screen)
# and gives it a runtime folder where the session has none.
demo_environment() {
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        export QT_QPA_PLATFORM=offscreen
    fi
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        XDG_RUNTIME_DIR=$(mktemp -d)
        export XDG_RUNTIME_DIR
    fi
}

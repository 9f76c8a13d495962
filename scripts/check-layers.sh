#!/bin/sh
# SPDX-License-Identifier: MIT
# The rules are pure: no file of rules/ may include a network, widget or platform header. CMake
# already keeps the network and widget headers out of reach of the rules' library; this also
# catches the platform's own headers, which every compiler finds. Lists the offending lines and
# exits 1 when there are any.
# Usage: scripts/check-layers.sh
set -eu
cd "$(dirname "$0")/.."

if git grep -n -E '#include *<(Q(Network|Widgets|Gui)|QNetwork|QWidget|QApplication|QSocket|QThread|QTimer|QFile|QProcess|QDateTime|QElapsedTimer|unistd|fcntl|csignal|signal|thread|mutex|chrono|sys/|pthread|winscard|windows)' -- 'rules/*'; then
    echo "check-layers: the rules above reach beyond QtCore's pure functions" >&2
    exit 1
fi

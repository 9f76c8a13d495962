#!/bin/sh
# SPDX-License-Identifier: MIT
# Lists the tracked source files that lack "SPDX-License-Identifier: MIT" in their first five
# lines (room for a shebang or a man page's preprocessor line above it). Exit status 1 when any
# does, so that a file added without the line is noticed.
# Usage: scripts/check-spdx.sh
set -eu
cd "$(dirname "$0")/.."

missing=0
# Data (samples, fuzz seeds, images) and prose carry no licence line of their own; LICENSE covers
# them.
for f in $(git ls-files -- '*.cpp' '*.h' '*.h.in' '*.cmake' '*CMakeLists.txt' '*.sh' '*.py' \
    '*.1' 'Makefile' '.ci/*'); do
    if ! head -n 5 "$f" | grep -q 'SPDX-License-Identifier: MIT'; then
        echo "$f"
        missing=1
    fi
done
exit $missing

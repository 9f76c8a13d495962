#!/bin/sh
# SPDX-License-Identifier: MIT
# The checks CI runs beside the builds and the tests, as `make lint` runs them: every C++ file is
# formatted as .clang-format says, every shell script is clean under shellcheck (.shellcheckrc),
# and the program's code (not the tests, fuzz targets and benchmarks) is clean under clang-tidy
# (.clang-tidy), read through the compile commands of the clang build in build-clang/, configured
# here afresh so that they name every file. Every check runs; exit status 1 when any has findings.
# Usage: scripts/lint.sh
set -eu
cd "$(dirname "$0")/.."
status=0

echo "lint: clang-format"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror || status=1

echo "lint: shellcheck"
# The scripts by their suffix, and those without one (.ci/run) by their first line.
{
    git ls-files -- '*.sh'
    git grep -l -E '^#!/.*[/ ](ba|da)?sh$' -- ':!*.sh'
} | sort -u | xargs shellcheck || status=1

echo "lint: clang-tidy"
build='build-clang'
CXX=clang++ cmake -S . -B $build -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
run-clang-tidy -quiet -j "$(nproc)" -p $build \
    "^$(pwd)/(app|popup|process|rules|shell|standin)/[^/]+\.cpp$" \
    >$build/clang-tidy.log 2>&1 || status=1
# Only the findings, without the command lines and the counts of suppressed warnings.
grep -v -E '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed|Use -header-filter|Running clang-tidy)' \
    $build/clang-tidy.log || true

[ $status -eq 0 ] && echo "lint: no findings"
exit $status

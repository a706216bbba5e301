#!/usr/bin/env bash
# Runs the end-to-end tests (tests/cli) with the tool under valgrind: any
# invalid access, use of undefined memory or leak makes valgrind exit with 1,
# which the case prints and so fails. Uses the normal build in build.
set -euo pipefail
cd "$(dirname "$0")/.."

.ci/deps valgrind

build=${BUILD_DIR:-build}
[ -x "$build/blobsmith" ] || { cmake -S . -B "$build" && cmake --build "$build" -j2; }
export BLOBSMITH_RUNNER="valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible"
export BS_TIMEOUT=600
ctest --test-dir "$build" --output-on-failure -j2 -R '^cli\.'

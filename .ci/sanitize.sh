#!/usr/bin/env bash
# Builds the whole project with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan and runs every test there; then
# builds it with ThreadSanitizer in build-tsan and runs what threads share:
# the reader's tests (many threads reading one pack), and packs and unpacks
# with several threads (-j), in-process and through the built tool. Any sanitizer report aborts the
# test that hit it, so it fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

.ci/deps clang-14 libclang-rt-14-dev

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
CXX=clang++-14 CC=clang-14 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOBSMITH_SANITIZE=ON
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2

export TSAN_OPTIONS=halt_on_error=1:abort_on_error=1
CXX=clang++-14 CC=clang-14 cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBLOBSMITH_TSAN=ON
cmake --build build-tsan -j2 --target blobsmith blobsmith_test blobsmith_reliability_test
ctest --test-dir build-tsan --output-on-failure -j2 \
  -R '^(Reader\.|InjectedFaults\.ThreadedRuns|Hostile\.(LevelSwapped|OutputTree)|cli\.(threads|round_trip))'

#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for a bounded time,
# starting from a copy of its committed seed corpus, so the corpus in the
# tree never changes. About a minute in all: the extractor, whose every run
# makes files and directories, gets 30 seconds, the reader and the option
# walks 15 each; FUZZ_SECONDS gives every target that many seconds instead.
# Prints the number of executions of each target.
set -euo pipefail
cd "$(dirname "$0")/.."

.ci/deps clang-14 libclang-rt-14-dev

CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBUILD_TESTING=OFF -DBLOBSMITH_LIBFUZZER=ON
cmake --build build-fuzz -j2 --target extract_pack_fuzz reader_fuzz options_fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The extractor target makes its scratch tree under TMPDIR.
[ -w /dev/shm ] && export TMPDIR=/dev/shm
status=0
for plan in extract_pack_fuzz:30 reader_fuzz:15 options_fuzz:15; do
  target=${plan%%:*}
  seconds=${FUZZ_SECONDS:-${plan#*:}}
  mkdir -p "$work/$target"
  cp fuzz/corpus/$target/* "$work/$target/"
  # Crash inputs, if any, are left in build-fuzz for the log to name.
  if ! build-fuzz/$target -max_total_time="$seconds" -max_len=16384 -timeout=20 \
      -print_final_stats=1 -artifact_prefix="$PWD/build-fuzz/"$target- \
      "$work/$target" >"$work/$target.log" 2>&1; then
    status=1
    tail -n 60 "$work/$target.log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  echo "fuzz $target: ${runs:-?} executions in ${seconds}s"
done
exit $status
